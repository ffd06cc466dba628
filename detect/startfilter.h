#pragma once

#include <QtGlobal>

#include <array>
#include <vector>

namespace detect {

// Tells from the first two bytes of each place of a UTF-8 text whether a key
// may start there, so that the matcher passes over the text between. It never
// passes over a place where a key starts; it may stop where none does.
class StartFilter
{
public:
    // A key may start where the two bytes, each with bit 5 set (which folds
    // ASCII letters), the first in the low byte, masked with `mask`, give
    // `value`.
    struct Test
    {
        quint16 mask;
        quint16 value;
        bool operator==(const Test &) const = default;
    };

    // Stops at every place.
    StartFilter();
    explicit StartFilter(std::vector<Test> tests);

    // The first place from `at` on where a key may start; `size` when none.
    qsizetype next(const uchar *text, qsizetype at, qsizetype size) const;

    // Beyond this many tests a place costs more to test than to match.
    static constexpr std::size_t kMostTests = 24;

private:
    std::array<bool, 256> firstByteMayStart_;
    // The tests grouped by mask, each mask and value in every lane of 16
    // bytes; empty when the first byte alone is tested.
    struct Lanes
    {
        alignas(16) std::array<quint16, 8> lanes;
    };
    std::vector<Lanes> masks_;
    std::vector<Lanes> values_;
    std::vector<std::size_t> valuesEnd_; // where each mask's values end
};

} // namespace detect
