#pragma once

#include "utf8.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

namespace detect {

// The matcher reads text as UTF-8 bytes, in which a surrogate that is not
// half of a pair may also stand, in the three bytes UTF-8 would give it if it
// were a character. Valid UTF-8 is such a text as it is, so a formula file
// needs no decoding; a text box's text, which may hold lone surrogates, is
// turned into one by MatchableText().
QByteArray MatchableText(QStringView text);

// Turns byte offsets in a text made by MatchableText() into offsets in the
// UTF-16 text it was made from, in one walk forward: offsets must not
// decrease from one call to the next.
class Utf16Offsets
{
public:
    explicit Utf16Offsets(QByteArrayView text) : text_(text) {}
    qsizetype at(qsizetype byte)
    {
        for (; byte_ < byte; ++byte_) {
            const auto b = uchar(text_[byte_]);
            if (!language::IsContinuation(b))
                unit_ += b >= 0xF0 ? 2 : 1; // beyond the BMP: a pair
        }
        return unit_;
    }

private:
    QByteArrayView text_;
    qsizetype byte_ = 0;
    qsizetype unit_ = 0;
};

} // namespace detect
