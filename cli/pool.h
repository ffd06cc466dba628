#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace cli {

// Threads that take the tasks posted to them in the order they were posted.
// They start with the first task, so that work done on the calling thread
// alone starts none.
class WorkerPool
{
public:
    // The number of the thread that runs it, from 0.
    using Task = std::function<void(unsigned worker)>;

    explicit WorkerPool(unsigned threads) : size_(threads) {}
    ~WorkerPool() { finish(); }
    unsigned size() const { return size_; }

    void post(Task task);
    // Runs what was posted, then ends the threads.
    void finish();

private:
    void work(unsigned worker);

    const unsigned size_;
    std::mutex mutex_;
    std::condition_variable posted_; // also when no more will be
    std::deque<Task> tasks_;
    bool finishing_ = false;
    std::vector<std::thread> threads_;
};

} // namespace cli
