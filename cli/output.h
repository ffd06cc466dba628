#pragma once

#include <QtGlobal>

#include <cstdio>
#include <string>
#include <string_view>

namespace cli {

// Where the checker's output goes: standard output or error, or memory.
class Destination
{
public:
    virtual ~Destination() = default;
    // Takes `bytes`, leaving it empty, so that a batch may keep its room;
    // false when they could not be written.
    virtual bool write(std::string &bytes) = 0;
    // Hands on what is held, so that what another destination takes next
    // comes after it; false when that failed.
    virtual bool flush() { return true; }
};

// Writes to a C stream.
class StreamDestination final : public Destination
{
public:
    explicit StreamDestination(std::FILE *stream) : stream_(stream) {}
    bool write(std::string &bytes) override;
    bool flush() override;

private:
    std::FILE *stream_;
};

// What is written, gathered into batches of bounded size, so that memory does
// not grow with it.
class Output
{
public:
    explicit Output(Destination &to) : to_(to) {}

    void append(std::string_view bytes) { buffer_.append(bytes); }
    void appendNumber(qsizetype number);
    std::string &buffer() { return buffer_; }
    // Hands over what has gathered once it is a batch; false once a write failed.
    bool pass() { return buffer_.size() < kBatch || flush(); }
    bool flush();
    bool failed() const { return failed_; }

private:
    static constexpr std::size_t kBatch = 64 * 1024;
    Destination &to_;
    bool failed_ = false;
    std::string buffer_;
};

} // namespace cli
