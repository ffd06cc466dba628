#pragma once

#include <QByteArrayView>

namespace detect {

// A place in a text as editors and compilers name it: the line, where CR LF,
// a lone CR and a lone LF each end one, and the code point within the line,
// both counted from 1.
struct TextPosition
{
    qsizetype line = 1;
    qsizetype column = 1;
    bool operator==(const TextPosition &) const = default;
};

// Turns byte offsets in UTF-8 text (see MatchableText()) into positions by
// walking the text forward once, so a long text with many occurrences costs
// one pass. Offsets must not decrease from one call to the next.
class PositionCounter
{
public:
    explicit PositionCounter(QByteArrayView text) : text_(text) {}
    TextPosition at(qsizetype offset);

private:
    QByteArrayView text_;
    qsizetype offset_ = 0;
    TextPosition position_;
};

} // namespace detect
