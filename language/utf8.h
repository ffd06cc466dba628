#pragma once

#include <QtGlobal>

namespace language {

// UTF-8 as the project reads it: a byte that starts no whole sequence of
// UTF-8 stands for a character of its own, U+FFFD, so that any bytes are text
// and no text makes a reader go beyond its end. A surrogate in three bytes,
// as a text box's lone surrogate is written, is read as that code point.

inline bool IsContinuation(uchar byte)
{
    return (byte & 0xC0) == 0x80;
}

// The code point whose bytes start at p[i], and in `length` how many bytes
// it takes.
inline char32_t DecodeAt(const uchar *p, qsizetype size, qsizetype i, int &length)
{
    const uchar lead = p[i];
    length = 1;
    if (lead < 0x80)
        return lead;
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    if (lead < 0xC0 || lead > 0xF4 || size - i <= more)
        return 0xFFFD;
    char32_t codePoint = lead & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
        if (!IsContinuation(p[i + k]))
            return 0xFFFD;
        codePoint = codePoint << 6 | (p[i + k] & 0x3F);
    }
    length = more + 1;
    return codePoint;
}

// The code point whose bytes end right before p[end], end > 0.
inline char32_t DecodeBefore(const uchar *p, qsizetype size, qsizetype end)
{
    qsizetype lead = end - 1;
    while (lead > 0 && end - lead < 4 && IsContinuation(p[lead]))
        --lead;
    int length;
    const char32_t c = DecodeAt(p, size, lead, length);
    return lead + length == end ? c : 0xFFFD;
}

// The CJK ideographs that names of the formula language may hold: the
// unified blocks and their extensions, and the compatibility ones.
inline bool IsIdeograph(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3134F);
}

} // namespace language
