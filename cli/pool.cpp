#include "pool.h"

namespace cli {

void WorkerPool::post(Task task)
{
    const std::lock_guard lock(mutex_);
    if (threads_.empty()) {
        for (unsigned i = 0; i < size_; ++i)
            threads_.emplace_back(&WorkerPool::work, this, i);
    }
    tasks_.push_back(std::move(task));
    posted_.notify_one();
}

void WorkerPool::work(unsigned worker)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        posted_.wait(lock, [&] { return finishing_ || !tasks_.empty(); });
        if (tasks_.empty())
            return;
        const Task task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        task(worker);
        lock.lock();
    }
}

void WorkerPool::finish()
{
    {
        const std::lock_guard lock(mutex_);
        finishing_ = true;
        posted_.notify_all();
    }
    for (std::thread &thread : threads_)
        thread.join();
    threads_.clear();
}

} // namespace cli
