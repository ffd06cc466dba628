#include "bytescan.h"

#include <algorithm>
#include <bit>

namespace language {

namespace {

constexpr uchar kBit5 = 0x20;

} // namespace

qsizetype FindEitherByte(const uchar *text, qsizetype from, qsizetype to, uchar a, uchar b)
{
#ifdef LANGUAGE_SSE2
    const __m128i first = _mm_set1_epi8(char(a)), second = _mm_set1_epi8(char(b));
    for (; from + 16 <= to; from += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + from));
        const unsigned hits = unsigned(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, first), _mm_cmpeq_epi8(bytes, second))));
        if (hits)
            return from + std::countr_zero(hits);
    }
#endif
    for (; from < to; ++from) {
        if (text[from] == a || text[from] == b)
            return from;
    }
    return to;
}

StartFilter::StartFilter()
{
    firstByteMayStart_.fill(true);
}

StartFilter::StartFilter(std::vector<Test> tests)
{
    std::sort(tests.begin(), tests.end());
    tests.erase(std::unique(tests.begin(), tests.end()), tests.end());
    // Lead bytes are 0xC0 to 0xFF, 0xE0 to 0xFF with bit 5 set.
    constexpr int kLeadBytes = 0xC0;
    constexpr int kFoldedLeadBytes = 0xE0;
    firstByteMayStart_.fill(false);
    pairMayStart_.assign(65536 / 64, 0);
    // The pairs of one first byte lie together, so that its seconds are set
    // a word at a time.
    const auto allow = [&](int first, int secondFrom, int secondTo) {
        for (int second = secondFrom; second < secondTo;) {
            const int bit = first << 8 | second;
            const int count = std::min(64 - bit % 64, secondTo - second);
            const quint64 ones = count == 64 ? ~quint64(0) : (quint64(1) << count) - 1;
            pairMayStart_[bit / 64] |= ones << bit % 64;
            second += count;
        }
    };
    for (const Test &test : tests) {
        if (test.first == kLead) {
            std::fill(firstByteMayStart_.begin() + kLeadBytes, firstByteMayStart_.end(), true);
        } else {
            firstByteMayStart_[test.first] = true;
            firstByteMayStart_[test.first & ~kBit5] = true;
        }
        const int firstFrom = test.first == kLead ? kFoldedLeadBytes : test.first;
        const int firstTo = test.first == kLead ? 256 : test.first + 1;
        const int secondFrom = test.second == kAny    ? 0
                               : test.second == kLead ? kFoldedLeadBytes
                                                      : test.second;
        const int secondTo = test.second < 0 ? 256 : test.second + 1;
        for (int first = firstFrom; first < firstTo; ++first)
            allow(first, secondFrom, secondTo);
    }
#ifdef LANGUAGE_SSE2
    std::vector<uchar> firstBytes;
    for (const Test &test : tests) {
        if (test.first == kLead)
            leadBytes_ = true;
        else
            firstBytes.push_back(uchar(test.first));
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
#ifdef LANGUAGE_SSE2
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
    const int pair = (text[at] | kBit5) << 8 | ((at + 1 < size ? text[at + 1] : 0) | kBit5);
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
#ifdef LANGUAGE_SSE2
    // First the line ends, summed in the lanes, and where the last line
    // starts; then the code points of that line. Most bytes are in no last
    // line, so they cost a compare or two each.
    const auto load = [](const void *p) {
        return _mm_loadu_si128(static_cast<const __m128i *>(p));
    };
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    // Lanes count to 255 at most; then they are added up.
    const auto total = [&](__m128i &lanes) {
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        lanes = zero;
        return qsizetype(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
    };
    qsizetype ends = 0;
    qsizetype lastLine = from;
    __m128i endLanes = zero;
    qsizetype at = from;
    for (int blocks = 0; at + 16 <= to; at += 16) {
        const __m128i bytes = load(text + at);
        const __m128i afterCr = _mm_cmpeq_epi8(load(text + at - 1), cr);
        const __m128i endsHere = _mm_or_si128(_mm_cmpeq_epi8(bytes, cr),
                                              _mm_andnot_si128(afterCr, _mm_cmpeq_epi8(bytes, lf)));
        if (const unsigned bits = unsigned(_mm_movemask_epi8(endsHere)); bits != 0)
            lastLine = at + std::bit_width(bits);
        endLanes = _mm_sub_epi8(endLanes, endsHere);
        if (++blocks == 255) {
            ends += total(endLanes);
            blocks = 0;
        }
    }
    ends += total(endLanes);
    for (; at < to; ++at) {
        if (text[at] == '\r' || (text[at] == '\n' && text[at - 1] != '\r')) {
            ++ends;
            lastLine = at + 1;
        }
    }
    const __m128i topBits = _mm_set1_epi8(char(0xC0));
    const __m128i continuation = _mm_set1_epi8(char(0x80));
    qsizetype codePoints = 0;
    __m128i pointLanes = zero;
    at = lastLine;
    for (int blocks = 0; at + 16 <= to; at += 16) {
        // No line ends here; only the LF of a CR LF and the inside of a code
        // point are not counted.
        const __m128i bytes = load(text + at);
        const __m128i secondHalf =
            _mm_and_si128(_mm_cmpeq_epi8(load(text + at - 1), cr), _mm_cmpeq_epi8(bytes, lf));
        const __m128i inside = _mm_cmpeq_epi8(_mm_and_si128(bytes, topBits), continuation);
        pointLanes =
            _mm_sub_epi8(pointLanes, _mm_cmpeq_epi8(_mm_or_si128(secondHalf, inside), zero));
        if (++blocks == 255) {
            codePoints += total(pointLanes);
            blocks = 0;
        }
    }
    codePoints += total(pointLanes);
    for (; at < to; ++at) {
        if (!(text[at] == '\n' && text[at - 1] == '\r') && (text[at] & 0xC0) != 0x80)
            ++codePoints;
    }
    if (ends > 0) {
        line += ends;
        column = 1;
    }
    column += codePoints;
#else
    for (; from < to; ++from)
        CountByte(text[from], text[from - 1] == '\r', line, column);
#endif
}

} // namespace language
