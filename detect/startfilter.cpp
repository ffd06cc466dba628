#include "startfilter.h"

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

StartFilter::StartFilter(std::vector<Test> tests)
{
    std::sort(tests.begin(), tests.end(), [](const Test &a, const Test &b) {
        return a.mask != b.mask ? a.mask < b.mask : a.value < b.value;
    });
    tests.erase(std::unique(tests.begin(), tests.end()), tests.end());
    for (int byte = 0; byte < 256; ++byte) {
        firstByteMayStart_[byte] = std::any_of(tests.begin(), tests.end(), [&](const Test &test) {
            return ((byte | kBit5) & test.mask & 0xFF) == (test.value & 0xFF);
        });
    }
#ifdef DETECT_SSE2
    if (tests.size() > kMostTests)
        return;
    for (const Test &test : tests) {
        if (masks_.empty() || masks_.back().lanes[0] != test.mask) {
            if (!masks_.empty())
                valuesEnd_.push_back(values_.size());
            masks_.push_back({});
            masks_.back().lanes.fill(test.mask);
        }
        values_.push_back({});
        values_.back().lanes.fill(test.value);
    }
    if (!masks_.empty())
        valuesEnd_.push_back(values_.size());
#endif
}

qsizetype StartFilter::next(const uchar *text, qsizetype at, qsizetype size) const
{
#ifdef DETECT_SSE2
    if (!masks_.empty()) {
        const auto load = [](const void *p) {
            return _mm_loadu_si128(static_cast<const __m128i *>(p));
        };
        const __m128i bit5 = _mm_set1_epi8(char(kBit5));
        // The 16-bit lanes of the bytes from `at` hold the pairs that start
        // at even places, those of the bytes from `at + 1` the odd ones.
        for (; at + 17 <= size; at += 16) {
            const __m128i even = _mm_or_si128(load(text + at), bit5);
            const __m128i odd = _mm_or_si128(load(text + at + 1), bit5);
            __m128i evenHits = _mm_setzero_si128();
            __m128i oddHits = _mm_setzero_si128();
            std::size_t v = 0;
            for (std::size_t m = 0; m < masks_.size(); ++m) {
                const __m128i mask = load(&masks_[m].lanes);
                const __m128i evenMasked = _mm_and_si128(even, mask);
                const __m128i oddMasked = _mm_and_si128(odd, mask);
                for (; v < valuesEnd_[m]; ++v) {
                    const __m128i value = load(&values_[v].lanes);
                    evenHits = _mm_or_si128(evenHits, _mm_cmpeq_epi16(evenMasked, value));
                    oddHits = _mm_or_si128(oddHits, _mm_cmpeq_epi16(oddMasked, value));
                }
            }
            const unsigned hits = (unsigned(_mm_movemask_epi8(evenHits)) & 0x5555) |
                                  (unsigned(_mm_movemask_epi8(oddHits)) & 0x5555) << 1;
            if (hits != 0)
                return at + std::countr_zero(hits);
        }
    }
#endif
    for (; at < size; ++at) {
        if (firstByteMayStart_[text[at]])
            return at;
    }
    return size;
}

} // namespace detect
