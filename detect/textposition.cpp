#include "textposition.h"

#include "bytescan.h"

namespace detect {

TextPosition PositionCounter::at(qsizetype offset)
{
    Q_ASSERT(offset >= offset_ && offset <= text_.size());
    language::CountLinesAndColumns(reinterpret_cast<const uchar *>(text_.data()), offset_, offset,
                                   position_.line, position_.column);
    offset_ = offset;
    return position_;
}

} // namespace detect
