#pragma once

#include "output.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace cli {

// Writes what jobs give in the order the jobs were opened, whatever order
// they run in, and the same bytes for any number of threads: a reorder
// buffer. The first job not yet written writes its batches straight out;
// every later one holds one batch at most and waits with the next, and at
// most `bound` jobs are open at a time, so memory stays bounded. Whichever
// thread finds the first job ready writes it.
class OrderedOutput
{
public:
    OrderedOutput(Destination &to, std::size_t bound) : to_(to), bound_(bound) {}

    // A new job's number, once fewer than `bound` are open; none once a
    // write has failed.
    std::optional<std::size_t> open();
    // One batch of a job's output; false once a write has failed.
    bool write(std::size_t job, std::string &batch);
    // The job has given all it gives; `after` runs once its output is
    // written and before the next job's, on the thread that writes (to say
    // what became of the job); false from it counts as a failed write.
    void close(std::size_t job, std::function<bool()> after);
    // Waits until every job opened is written; false when a write failed.
    bool finish();
    bool failed();

private:
    struct Job
    {
        std::string batch; // handed over, not yet written
        bool closed = false;
        std::function<bool()> after;
    };
    Job &job(std::size_t number) { return *jobs_[number - first_]; }
    // Writes the first jobs as far as they are ready, unless another thread
    // is at it; `lock` is held on entry and exit.
    void writeReady(std::unique_lock<std::mutex> &lock);
    void fail();

    Destination &to_;
    const std::size_t bound_;
    std::mutex mutex_;
    // To the thread that opens jobs: room for more, half the bound free, or
    // none left; to the threads whose batch waits: it was taken. A failure
    // tells both. Each is told only what it waits for, since a wake-up is a
    // context switch.
    std::condition_variable room_;
    std::condition_variable taken_;
    // Each job on the heap, so that it stays where it is while the queue grows.
    std::deque<std::unique_ptr<Job>> jobs_;
    std::size_t first_ = 0; // the number of jobs_.front()
    bool writing_ = false;
    std::string writingBatch_; // the thread that writes writes from it unlocked
    bool failed_ = false;
};

} // namespace cli
