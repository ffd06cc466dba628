#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <vector>

// Passes over UTF-8 text that look at many bytes at once where the processor
// can, and one at a time where it cannot: the one place that knows it. SSE2
// is part of every x86-64; other processors take the plain loops.
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define LANGUAGE_SSE2 1
#endif

namespace language {

// What ClassifyBlock() tells of 64 bytes, a bit each, the first byte lowest.
struct BlockMasks
{
    std::uint64_t word = 0;    // ASCII letters, digits and _
    std::uint64_t letter = 0;  // ASCII letters
    std::uint64_t special = 0; // any of the Specials
};

// Classifies the 64 bytes at p. Inline, with the specials known when it is
// compiled: it is the inner loop of reading a formula.
template <char... Specials> inline BlockMasks ClassifyBlock(const uchar *p)
{
    // Gathered in locals: through the struct every step would go to memory.
    std::uint64_t words = 0, letters = 0, special = 0;
#ifdef LANGUAGE_SSE2
    const auto within = [](__m128i v, char low, char high) {
        // Bytes beyond ASCII are negative, below any bound.
        return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(char(low - 1))),
                             _mm_cmplt_epi8(v, _mm_set1_epi8(char(high + 1))));
    };
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
        const __m128i letter = within(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'z');
        const __m128i word = _mm_or_si128(_mm_or_si128(letter, within(v, '0', '9')),
                                          _mm_cmpeq_epi8(v, _mm_set1_epi8('_')));
        __m128i hits = _mm_setzero_si128();
        ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, _mm_set1_epi8(Specials)))), ...);
        words |= std::uint64_t(unsigned(_mm_movemask_epi8(word))) << (16 * k);
        letters |= std::uint64_t(unsigned(_mm_movemask_epi8(letter))) << (16 * k);
        special |= std::uint64_t(unsigned(_mm_movemask_epi8(hits))) << (16 * k);
    }
#else
    for (int i = 0; i < 64; ++i) {
        const uchar folded = p[i] | 0x20;
        const bool letter = folded >= 'a' && folded <= 'z';
        words |= std::uint64_t(letter || (p[i] >= '0' && p[i] <= '9') || p[i] == '_') << i;
        letters |= std::uint64_t(letter) << i;
        special |= std::uint64_t(((p[i] == uchar(Specials)) || ...)) << i;
    }
#endif
    return {words, letters, special};
}

// The first place in [from, to) whose byte is `a` or `b`; `to` when none.
qsizetype FindEitherByte(const uchar *text, qsizetype from, qsizetype to, uchar a, uchar b);

// Tells from the first two bytes of each place of a UTF-8 text whether a key
// may start there, so that the matcher passes over the text between. It never
// passes over a place where a key starts; it may stop where none does. The
// first byte is compared for many places at once, the pair where that passes.
class StartFilter
{
public:
    // A key may start where the first and the second byte, each with bit 5
    // set (which folds ASCII letters), are as a test says: a byte below 0x80,
    // the lead byte of any sequence beyond ASCII, or for the second any byte.
    static constexpr int kLead = -1;
    static constexpr int kAny = -2;
    struct Test
    {
        int first;
        int second;
        auto operator<=>(const Test &) const = default;
    };

    // What one pass over a text has learnt of the kBlock places last looked at.
    struct Cursor
    {
        qsizetype block = -1;
        unsigned places = 0;
    };

    // Stops at every place.
    StartFilter();
    explicit StartFilter(std::vector<Test> tests);

    // The first place from `at` on where a key may start; `size` when none.
    // Calls in one pass over a text share a cursor, and `at` never decreases.
    qsizetype next(const uchar *text, qsizetype at, qsizetype size, Cursor &cursor) const;

    // Beyond this many first bytes to compare with, a vector of places costs
    // more to test than the plain loop.
    static constexpr std::size_t kMostFirstBytes = 16;

private:
    static constexpr qsizetype kBlock = 32;
    // The places of the block where the first byte passes, a bit each.
    unsigned firstBytesIn(const uchar *block) const;
    bool pairMayStart(const uchar *text, qsizetype at, qsizetype size) const;

    std::array<bool, 256> firstByteMayStart_;
    // By the two bytes of a place, folded, the first in the high byte; empty
    // when any pair may start a key.
    std::vector<quint64> pairMayStart_;
    // What the vector test compares the first byte with, in every lane.
    struct Lanes
    {
        alignas(16) std::array<uchar, 16> lanes;
    };
    bool vector_ = false;
    bool leadBytes_ = false; // the first byte of a code point beyond ASCII
    std::vector<Lanes> firstBytes_;
};

// Moves `line` and `column` (see TextPosition) over the bytes [from, to) of
// UTF-8 text.
void CountLinesAndColumns(const uchar *text, qsizetype from, qsizetype to, qsizetype &line,
                          qsizetype &column);

} // namespace language
