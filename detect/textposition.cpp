#include "textposition.h"

namespace detect {

TextPosition PositionCounter::at(qsizetype offset)
{
    Q_ASSERT(offset >= offset_ && offset <= text_.size());
    for (; offset_ < offset; ++offset_) {
        const char byte = text_[offset_];
        if (byte == '\r' || (byte == '\n' && !(offset_ > 0 && text_[offset_ - 1] == '\r'))) {
            ++position_.line;
            position_.column = 1;
        } else if (byte != '\n' &&
                   (byte & 0xC0) != 0x80) { // not the LF of CR LF, nor inside a code point
            ++position_.column;
        }
    }
    return position_;
}

} // namespace detect
