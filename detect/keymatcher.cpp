#include "keymatcher.h"

#include <QChar>

#include <algorithm>
#include <bitset>
#include <numeric>

namespace detect {

namespace {

// What the platform compares for unit `i` of `s`: the unit's simple case
// folding, where a low surrogate right after a high one stands for the whole
// code point. Every other surrogate, lone or high, compares as itself.
char32_t FoldedUnit(QStringView s, qsizetype i)
{
    const char16_t unit = s[i].unicode();
    if (QChar::isLowSurrogate(unit) && i > 0 && QChar::isHighSurrogate(s[i - 1].unicode()))
        return QChar::toCaseFolded(QChar::surrogateToUcs4(s[i - 1].unicode(), unit));
    return QChar::toCaseFolded(char32_t(unit));
}

// Qt 6.4's case-insensitive search picks its method by size, and at a window
// that starts on the low half of a surrogate pair the methods disagree: a
// one-unit key compares the unit alone (and so matches there), the rolling
// hash used for texts of at most 500 units matches there only once the first
// unit has been shifted out of its 64-bit hash (keys of 45 units or more,
// since the folded difference stays below 2^21), and Boyer-Moore never does.
// Boyer-Moore also builds its skip table from a key's last 255 units without
// the unit before them, and so can miss a key whose pair straddles that edge.
constexpr qsizetype kHashSearchMaxText = 500;
constexpr qsizetype kHashDropsFirstUnitFrom = 45;
constexpr qsizetype kSkipTableSpan = 255;

bool StartsWithLowSurrogate(const QString &key)
{
    return !key.isEmpty() && QChar::isLowSurrogate(key.front().unicode());
}

bool SplitsPairAtSkipTableEdge(const QString &key)
{
    const qsizetype edge = key.size() - kSkipTableSpan;
    return edge > 0 && QChar::isHighSurrogate(key[edge - 1].unicode()) &&
           QChar::isLowSurrogate(key[edge].unicode());
}

} // namespace

KeyMatcher::KeyMatcher(const QStringList &keys) : keys_(keys)
{
    // Symbols of all keys, back to back; key k is [offsets[k], offsets[k + 1]).
    std::vector<Symbol> symbols;
    std::vector<qsizetype> offsets{0};
    offsets.reserve(keys.size() + 1);
    for (qsizetype k = 0; k < keys.size(); ++k) {
        const QString &key = keys[k];
        if (key.size() == 1 && StartsWithLowSurrogate(key))
            singleLowSurrogateKeys_.append(k);
        else if (key.size() >= kHashDropsFirstUnitFrom && StartsWithLowSurrogate(key))
            lowSurrogateStartKeys_.append(k);
        if (SplitsPairAtSkipTableEdge(key))
            longSplitPairKeys_.append(k);

        for (qsizetype i = 0; i < key.size(); ++i) {
            const char32_t folded = FoldedUnit(key, i);
            auto it = symbols_.find(folded);
            if (it == symbols_.end())
                it = symbols_.insert(folded, Symbol(symbols_.size() + 1));
            symbols.push_back(*it);
        }
        offsets.push_back(qsizetype(symbols.size()));
    }
    for (char32_t unit = 0; unit < 128; ++unit)
        asciiSymbols_[unit] = symbols_.value(QChar::toCaseFolded(unit), 0);
    onlyAsciiSymbols_ = std::all_of(symbols_.keyBegin(), symbols_.keyEnd(),
                                    [](char32_t folded) { return folded < 128; });

    // Sorted keys share prefixes with their neighbours, so the trie can be
    // laid out level by level with each node's children contiguous and in
    // symbol order.
    std::vector<qsizetype> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    const auto begin = [&](qsizetype k) { return symbols.begin() + offsets[k]; };
    const auto end = [&](qsizetype k) { return symbols.begin() + offsets[k + 1]; };
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return std::lexicographical_compare(begin(a), end(a), begin(b), end(b));
    });

    symbol_ = {0};
    childBegin_ = {0};
    childEnd_ = {0};
    fail_ = {0};
    rootNext_.assign(symbols_.size() + 1, 0);
    keyNode_.assign(keys.size(), 0);

    std::vector<qsizetype> active;
    for (qsizetype k : order) {
        if (offsets[k + 1] > offsets[k])
            active.push_back(k);
    }
    std::vector<qsizetype> longer;
    for (qsizetype depth = 0; !active.empty(); ++depth) {
        longer.clear();
        Node parent = -1;
        Symbol symbol = -1;
        for (qsizetype k : active) {
            const Symbol s = symbols[offsets[k] + depth];
            if (keyNode_[k] != parent || s != symbol) {
                parent = keyNode_[k];
                symbol = s;
                const Node node = Node(symbol_.size());
                symbol_.push_back(s);
                childBegin_.push_back(0);
                childEnd_.push_back(0);
                if (childEnd_[parent] == 0)
                    childBegin_[parent] = node;
                childEnd_[parent] = node + 1;
                // Nodes of lower levels are complete, which is all this needs.
                fail_.push_back(parent == 0 ? 0 : step(fail_[parent], s));
                if (parent == 0)
                    rootNext_[s] = node;
            }
            keyNode_[k] = Node(symbol_.size() - 1);
            if (offsets[k + 1] - offsets[k] > depth + 1)
                longer.push_back(k);
        }
        active.swap(longer);
    }
}

KeyMatcher::Symbol KeyMatcher::symbolOf(char32_t folded) const
{
    if (folded < 128)
        return asciiSymbols_[folded];
    return onlyAsciiSymbols_ ? 0 : symbols_.value(folded, 0);
}

KeyMatcher::Node KeyMatcher::step(Node node, Symbol symbol) const
{
    if (symbol == 0)
        return 0;
    for (;;) {
        if (node == 0)
            return rootNext_[symbol];
        const auto first = symbol_.begin() + childBegin_[node];
        const auto last = symbol_.begin() + childEnd_[node];
        const auto child = std::lower_bound(first, last, symbol);
        if (child != last && *child == symbol)
            return Node(child - symbol_.begin());
        node = fail_[node];
    }
}

QList<bool> KeyMatcher::occurrences(QStringView text) const
{
    QList<bool> found(keys_.size(), false);
    if (text.isEmpty())
        return found;

    std::vector<std::uint8_t> reached(symbol_.size(), 0);
    std::bitset<1024> lowSurrogates;
    Node node = 0;
    char16_t previous = 0;
    for (QChar c : text) {
        const char16_t unit = c.unicode();
        Symbol symbol;
        if (unit < 128) {
            symbol = asciiSymbols_[unit];
        } else if (QChar::isLowSurrogate(unit)) {
            lowSurrogates.set(unit - 0xDC00);
            symbol = symbolOf(QChar::isHighSurrogate(previous)
                                  ? QChar::toCaseFolded(QChar::surrogateToUcs4(previous, unit))
                                  : char32_t(unit));
        } else {
            symbol = symbolOf(QChar::toCaseFolded(char32_t(unit)));
        }
        previous = unit;
        node = step(node, symbol);
        reached[node] = 1;
    }
    // A node reached means every key ending in a suffix of it occurs too.
    for (Node n = Node(reached.size()) - 1; n > 0; --n) {
        if (reached[n])
            reached[fail_[n]] = 1;
    }
    for (qsizetype k = 0; k < keys_.size(); ++k)
        found[k] = reached[keyNode_[k]] != 0;

    for (qsizetype k : singleLowSurrogateKeys_)
        found[k] = lowSurrogates.test(keys_[k].front().unicode() - 0xDC00);
    if (text.size() <= kHashSearchMaxText) {
        for (qsizetype k : lowSurrogateStartKeys_)
            found[k] = text.indexOf(keys_[k], 0, Qt::CaseInsensitive) >= 0;
    } else {
        for (qsizetype k : longSplitPairKeys_)
            found[k] = text.indexOf(keys_[k], 0, Qt::CaseInsensitive) >= 0;
    }
    return found;
}

} // namespace detect
