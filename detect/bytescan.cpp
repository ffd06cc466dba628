#include "bytescan.h"

#include <algorithm>
#include <bit>

// The one place that knows the processor: SSE2 is part of every x86-64, and
// other processors take the plain loop.
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define DETECT_SSE2 1
#endif

namespace detect {

namespace {

constexpr uchar kBit5 = 0x20;

} // namespace

StartFilter::StartFilter()
{
    firstByteMayStart_.fill(true);
}

StartFilter::StartFilter(const std::vector<Test> &tests)
{
    const auto folded = [](int byte) { return byte | kBit5; };
    for (int byte = 0; byte < 256; ++byte) {
        firstByteMayStart_[byte] = std::any_of(tests.begin(), tests.end(), [&](const Test &test) {
            return (folded(byte) & test.mask & 0xFF) == (test.value & 0xFF);
        });
    }
    pairMayStart_.assign(65536 / 64, 0);
    for (const Test &test : tests) {
        if (test.mask == 0xFFFF) {
            pairMayStart_[test.value / 64] |= quint64(1) << test.value % 64;
            continue;
        }
        for (int first = 0; first < 256; ++first) {
            if ((first & test.mask & 0xFF) != (test.value & 0xFF))
                continue;
            for (int second = 0; second < 256; ++second) {
                const int pair = first | second << 8;
                if ((pair & test.mask) == test.value)
                    pairMayStart_[pair / 64] |= quint64(1) << pair % 64;
            }
        }
    }
#ifdef DETECT_SSE2
    std::vector<uchar> firstBytes;
    for (const Test &test : tests) {
        if ((test.mask & 0xFF) == 0xFF)
            firstBytes.push_back(uchar(test.value));
        else
            leadBytes_ = true; // the only other first test
    }
    std::sort(firstBytes.begin(), firstBytes.end());
    firstBytes.erase(std::unique(firstBytes.begin(), firstBytes.end()), firstBytes.end());
    if (firstBytes.size() > kMostFirstBytes)
        return;
    vector_ = true;
    for (const uchar byte : firstBytes) {
        firstBytes_.push_back({});
        firstBytes_.back().lanes.fill(byte);
    }
#endif
}

unsigned StartFilter::firstBytesIn(const uchar *block) const
{
#ifdef DETECT_SSE2
    const auto load = [](const void *p) {
        return _mm_loadu_si128(static_cast<const __m128i *>(p));
    };
    const __m128i bit5 = _mm_set1_epi8(char(kBit5));
    const __m128i bytes[2] = {_mm_or_si128(load(block), bit5),
                              _mm_or_si128(load(block + 16), bit5)};
    __m128i hits[2] = {};
    if (leadBytes_) {
        const __m128i topBits = _mm_set1_epi8(char(0xC0));
        for (int k = 0; k < 2; ++k)
            hits[k] = _mm_cmpeq_epi8(_mm_and_si128(bytes[k], topBits), topBits);
    }
    for (const Lanes &byte : firstBytes_) {
        const __m128i value = load(&byte.lanes);
        for (int k = 0; k < 2; ++k)
            hits[k] = _mm_or_si128(hits[k], _mm_cmpeq_epi8(bytes[k], value));
    }
    return unsigned(_mm_movemask_epi8(hits[0])) | unsigned(_mm_movemask_epi8(hits[1])) << 16;
#else
    Q_UNUSED(block);
    return ~0u;
#endif
}

inline bool StartFilter::pairMayStart(const uchar *text, qsizetype at, qsizetype size) const
{
    if (pairMayStart_.empty())
        return true;
    // Past the end a key of two code points cannot start; one of one can,
    // whatever the second byte, and that byte then reads as 0.
    const int pair = (text[at] | kBit5) | ((at + 1 < size ? text[at + 1] : 0) | kBit5) << 8;
    return pairMayStart_[pair / 64] >> pair % 64 & 1;
}

qsizetype StartFilter::next(const uchar *text, qsizetype at, qsizetype size, Cursor &cursor) const
{
    if (vector_) {
        // Blocks start at multiples of kBlock, so each is looked at once
        // however often the matcher comes back to the root within it.
        qsizetype block = at & ~(kBlock - 1);
        for (; block + kBlock <= size; block += kBlock) {
            if (block != cursor.block)
                cursor = {block, firstBytesIn(text + block)};
            unsigned places =
                at > block ? cursor.places >> (at - block) << (at - block) : cursor.places;
            for (; places != 0; places &= places - 1) {
                const qsizetype place = block + std::countr_zero(places);
                if (pairMayStart(text, place, size))
                    return place;
            }
        }
        at = std::max(at, block);
    }
    for (; at < size; ++at) {
        if (firstByteMayStart_[text[at]] && pairMayStart(text, at, size))
            return at;
    }
    return size;
}

namespace {

// std::popcount() calls a library function where the processor may lack the
// instruction.
inline int Ones(unsigned bits)
{
    bits -= bits >> 1 & 0x55555555;
    bits = (bits & 0x33333333) + (bits >> 2 & 0x33333333);
    return int(((bits + (bits >> 4)) & 0x0F0F0F0F) * 0x01010101 >> 24);
}

// One byte of CountLinesAndColumns().
inline void CountByte(uchar byte, bool afterCr, qsizetype &line, qsizetype &column)
{
    if (byte == '\r' || (byte == '\n' && !afterCr)) {
        ++line;
        column = 1;
    } else if (byte != '\n' &&
               (byte & 0xC0) != 0x80) { // not the LF of CR LF, nor inside a code point
        ++column;
    }
}

} // namespace

void CountLinesAndColumns(const uchar *text, qsizetype from, qsizetype to, qsizetype &line,
                          qsizetype &column)
{
    if (from == 0 && from < to)
        CountByte(text[from++], false, line, column);
#ifdef DETECT_SSE2
    const auto load = [](const void *p) {
        return _mm_loadu_si128(static_cast<const __m128i *>(p));
    };
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i topBits = _mm_set1_epi8(char(0xC0));
    const __m128i continuation = _mm_set1_epi8(char(0x80));
    for (; from + 16 <= to; from += 16) {
        const __m128i bytes = load(text + from);
        const __m128i afterCr = _mm_cmpeq_epi8(load(text + from - 1), cr);
        const __m128i lfs = _mm_cmpeq_epi8(bytes, lf);
        const __m128i ends =
            _mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_andnot_si128(afterCr, lfs));
        const __m128i uncounted =
            _mm_or_si128(_mm_or_si128(ends, _mm_and_si128(afterCr, lfs)),
                         _mm_cmpeq_epi8(_mm_and_si128(bytes, topBits), continuation));
        const unsigned endBits = unsigned(_mm_movemask_epi8(ends));
        unsigned counted = ~unsigned(_mm_movemask_epi8(uncounted)) & 0xFFFF;
        if (endBits != 0) {
            line += Ones(endBits);
            column = 1;
            counted &= ~0u << (std::bit_width(endBits));
        }
        column += Ones(counted);
    }
#endif
    for (; from < to; ++from)
        CountByte(text[from], text[from - 1] == '\r', line, column);
}

} // namespace detect
