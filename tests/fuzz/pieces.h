#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

// A fuzz input as a formula: its bytes as they are, or, behind a first byte
// 0xFF, a piece of `pieces` for each byte after it, so that what formulas are
// made of meets as often as in real ones.
inline QByteArray FormulaOfPieces(const std::uint8_t *data, std::size_t size,
                                  std::span<const char *const> pieces)
{
    if (size == 0 || data[0] != 0xFF)
        return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    QByteArray text;
    for (std::size_t i = 1; i < size; ++i)
        text += pieces[data[i] % pieces.size()];
    return text;
}

[[noreturn]] inline void FailAt(const char *what, qsizetype at)
{
    std::fprintf(stderr, "%s at byte %lld\n", what, static_cast<long long>(at));
    std::abort();
}
