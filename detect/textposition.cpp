#include "textposition.h"

namespace detect {

TextPosition PositionCounter::at(qsizetype offset)
{
    Q_ASSERT(offset >= offset_ && offset <= text_.size());
    for (; offset_ < offset; ++offset_) {
        const QChar unit = text_[offset_];
        const bool follows = offset_ > 0;
        if (unit == u'\r' || (unit == u'\n' && !(follows && text_[offset_ - 1] == u'\r'))) {
            ++position_.line;
            position_.column = 1;
        } else if (unit == u'\n') {
            continue; // the second half of CR LF
        } else if (!(unit.isLowSurrogate() && follows && text_[offset_ - 1].isHighSurrogate())) {
            ++position_.column;
        }
    }
    return position_;
}

} // namespace detect
