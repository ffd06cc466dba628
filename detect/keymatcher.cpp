#include "keymatcher.h"

#include <QChar>

#include <algorithm>
#include <bitset>

namespace detect {

namespace {

// What the platform compares for unit `i` of `s`: the unit's simple case
// folding, where a low surrogate right after a high one stands for the whole
// code point. Every other surrogate, lone or high, compares as itself.
char32_t FoldedUnit(QStringView s, qsizetype i)
{
    const char16_t unit = s[i].unicode();
    if (unit < 128) // keys are mostly ASCII, where folding only lowers A to Z
        return unit >= u'A' && unit <= u'Z' ? unit + 32 : unit;
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
    Symbol asciiFolded[128] = {};
    const auto symbolFor = [&](char32_t folded) {
        if (folded < 128) {
            Symbol &symbol = asciiFolded[folded];
            if (symbol == 0)
                symbol = symbolCount_++;
            return symbol;
        }
        auto it = symbols_.find(folded);
        if (it == symbols_.end())
            it = symbols_.insert(folded, symbolCount_++);
        return *it;
    };

    // Symbols of all keys, back to back; key k is [offsets[k], offsets[k + 1]).
    std::vector<qsizetype> offsets{0};
    offsets.reserve(keys.size() + 1);
    for (const QString &key : keys)
        offsets.push_back(offsets.back() + key.size());
    std::vector<Symbol> symbols;
    symbols.reserve(offsets.back());
    for (qsizetype k = 0; k < keys.size(); ++k) {
        const QString &key = keys[k];
        if (key.size() == 1 && StartsWithLowSurrogate(key))
            singleLowSurrogateKeys_.append(k);
        else if (key.size() >= kHashDropsFirstUnitFrom && StartsWithLowSurrogate(key))
            lowSurrogateStartKeys_.append(k);
        if (SplitsPairAtSkipTableEdge(key))
            longSplitPairKeys_.append(k);
        for (qsizetype i = 0; i < key.size(); ++i)
            symbols.push_back(symbolFor(FoldedUnit(key, i)));
    }
    for (char32_t unit = 0; unit < 128; ++unit)
        asciiSymbols_[unit] = asciiFolded[QChar::toCaseFolded(unit)];

    // The trie is built a level at a time, so that nodes are numbered breadth
    // first, each node's children are contiguous and in symbol order, and
    // every failure link points to a level that is complete.
    const std::size_t maxNodes = std::size_t(offsets.back()) + 1;
    for (auto *v : {&symbol_, &childBegin_, &childEnd_, &fail_, &row_})
        v->reserve(maxNodes);
    symbol_ = {0};
    childBegin_ = {0};
    childEnd_ = {0};
    fail_ = {0};
    row_ = {-1};
    keyNode_.assign(keys.size(), 0);

    // The next symbol of each key still going on, and the key.
    std::vector<std::pair<Symbol, qsizetype>> level;
    std::vector<std::pair<Symbol, qsizetype>> next;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        if (!keys[k].isEmpty())
            level.emplace_back(symbols[offsets[k]], k);
    }
    Node parentsBegin = 0;
    for (qsizetype depth = 0; !level.empty(); ++depth) {
        // Keys come grouped by the node they have reached, in node order.
        for (auto run = level.begin(); run != level.end();) {
            const Node parent = keyNode_[run->second];
            const auto runEnd = std::find_if(
                run, level.end(), [&](const auto &p) { return keyNode_[p.second] != parent; });
            std::sort(run, runEnd, [](const auto &a, const auto &b) { return a.first < b.first; });
            run = runEnd;
        }
        const Node parentsEnd = Node(symbol_.size());
        next.clear();
        Node parent = -1;
        Symbol symbol = -1;
        for (const auto &[s, k] : level) {
            if (keyNode_[k] != parent || s != symbol) {
                parent = keyNode_[k];
                symbol = s;
                const Node node = Node(symbol_.size());
                symbol_.push_back(s);
                childBegin_.push_back(0);
                childEnd_.push_back(0);
                row_.push_back(-1);
                if (childEnd_[parent] == 0)
                    childBegin_[parent] = node;
                childEnd_[parent] = node + 1;
                fail_.push_back(parent == 0 ? 0 : step(fail_[parent], s));
            }
            keyNode_[k] = Node(symbol_.size() - 1);
            if (offsets[k + 1] - offsets[k] > depth + 1)
                next.emplace_back(symbols[offsets[k] + depth + 1], k);
        }
        for (Node n = parentsBegin; n < parentsEnd; ++n)
            indexChildren(n);
        parentsBegin = parentsEnd;
        level.swap(next);
    }
    if (row_[0] < 0)
        indexChildren(0);
}

void KeyMatcher::indexChildren(Node node)
{
    // A row costs an entry for every symbol, so only the root and nodes with
    // many children for the alphabet's size get one.
    const Node children = childEnd_[node] - childBegin_[node];
    if (node != 0 && (children < 8 || children * 16 < symbolCount_))
        return;
    row_[node] = std::int32_t(rows_.size());
    rows_.resize(rows_.size() + symbolCount_, 0);
    for (Node child = childBegin_[node]; child < childEnd_[node]; ++child)
        rows_[row_[node] + symbol_[child]] = child;
}

KeyMatcher::Symbol KeyMatcher::symbolOf(char32_t folded) const
{
    if (folded < 128)
        return asciiSymbols_[folded];
    return symbols_.isEmpty() ? 0 : symbols_.value(folded, 0);
}

KeyMatcher::Node KeyMatcher::step(Node node, Symbol symbol) const
{
    if (symbol == 0)
        return 0;
    for (;;) {
        if (const std::int32_t row = row_[node]; row >= 0) {
            // 0 in a row means no child; from the root that is the root.
            const Node child = rows_[row + symbol];
            if (child != 0 || node == 0)
                return child;
        } else {
            const auto first = symbol_.begin() + childBegin_[node];
            const auto last = symbol_.begin() + childEnd_[node];
            const auto child = std::lower_bound(first, last, symbol);
            if (child != last && *child == symbol)
                return Node(child - symbol_.begin());
        }
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
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isLowSurrogate(unit))
            lowSurrogates.set(unit - 0xDC00);
        node = step(node, unit < 128 ? asciiSymbols_[unit] : symbolOf(FoldedUnit(text, i)));
        reached[node] = 1;
    }
    // A node reached means every key ending in a suffix of it occurs too.
    for (Node n = Node(reached.size()) - 1; n > 0; --n) {
        if (reached[n])
            reached[fail_[n]] = 1;
    }
    for (qsizetype k = 0; k < keys_.size(); ++k)
        found[k] = reached[keyNode_[k]] != 0;

    // Where the platform's answer depends on its method, answer as it does.
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
