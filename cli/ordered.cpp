#include "ordered.h"

namespace cli {

std::optional<std::size_t> OrderedOutput::open()
{
    std::unique_lock lock(mutex_);
    // Once full, until half is free: not woken for every job written.
    if (jobs_.size() >= bound_)
        room_.wait(lock, [&] { return failed_ || jobs_.size() <= bound_ / 2; });
    if (failed_)
        return std::nullopt;
    jobs_.push_back(std::make_unique<Job>());
    return first_ + jobs_.size() - 1;
}

bool OrderedOutput::write(std::size_t number, std::string &batch)
{
    std::unique_lock lock(mutex_);
    // One batch waits at a time: a job beyond the first holds its thread
    // once it has one.
    taken_.wait(lock, [&] { return failed_ || job(number).batch.empty(); });
    if (failed_)
        return false;
    job(number).batch.swap(batch);
    writeReady(lock);
    return !failed_;
}

void OrderedOutput::close(std::size_t number, std::function<bool()> after)
{
    std::unique_lock lock(mutex_);
    if (failed_)
        return;
    job(number).closed = true;
    job(number).after = std::move(after);
    writeReady(lock);
}

void OrderedOutput::writeReady(std::unique_lock<std::mutex> &lock)
{
    if (writing_)
        return; // that thread writes this too before it stops
    writing_ = true;
    while (!failed_ && !jobs_.empty()) {
        // Only the thread that writes takes jobs from the queue.
        Job &first = *jobs_.front();
        bool written = true;
        if (!first.batch.empty()) {
            // Swapped, so that the job's thread may hand over its next batch
            // meanwhile, and gets back the room of one written before.
            writingBatch_.swap(first.batch);
            taken_.notify_all();
            lock.unlock();
            written = to_.write(writingBatch_);
            lock.lock();
        } else if (first.closed) {
            const std::function<bool()> after = std::move(first.after);
            jobs_.pop_front();
            ++first_;
            if (jobs_.size() == bound_ / 2 || jobs_.empty())
                room_.notify_all();
            lock.unlock();
            written = !after || after();
            lock.lock();
        } else {
            break;
        }
        if (!written)
            fail();
    }
    writing_ = false;
}

void OrderedOutput::fail()
{
    failed_ = true;
    room_.notify_all();
    taken_.notify_all();
}

bool OrderedOutput::finish()
{
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return failed_ || jobs_.empty(); });
    return !failed_;
}

bool OrderedOutput::failed()
{
    const std::lock_guard lock(mutex_);
    return failed_;
}

} // namespace cli
