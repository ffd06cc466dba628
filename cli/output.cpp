#include "output.h"

#include <charconv>

namespace cli {

bool StreamDestination::write(std::string &bytes)
{
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream_) == bytes.size();
    bytes.clear();
    return written;
}

bool StreamDestination::flush()
{
    return std::fflush(stream_) == 0 && !std::ferror(stream_);
}

void Output::appendNumber(qsizetype number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    buffer_.append(digits, std::size_t(end - digits));
}

bool Output::flush()
{
    if (!failed_ && !buffer_.empty())
        failed_ = !to_.write(buffer_);
    buffer_.clear();
    return !failed_;
}

} // namespace cli
