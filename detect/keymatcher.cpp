#include "keymatcher.h"

#include <QChar>

#include <algorithm>

namespace detect {

namespace {

// The simple case folding of the code point at s[i]; moves i onto the second
// half of a pair. A high surrogate followed by a low one is one code point;
// any other surrogate stands for itself.
inline char32_t FoldedCodePointAt(QStringView s, qsizetype &i)
{
    const char16_t unit = s[i].unicode();
    if (unit < 128) // keys and formulas are mostly ASCII
        return unit >= u'A' && unit <= u'Z' ? unit + 32 : unit;
    char32_t codePoint = unit;
    if (QChar::isHighSurrogate(unit) && i + 1 < s.size() && s[i + 1].isLowSurrogate())
        codePoint = QChar::surrogateToUcs4(unit, s[++i].unicode());
    return QChar::toCaseFolded(codePoint);
}

// In text order: by start, then by key.
QList<Occurrence> Sorted(QList<Occurrence> occurrences)
{
    std::sort(occurrences.begin(), occurrences.end(), [](const auto &a, const auto &b) {
        return a.start != b.start ? a.start < b.start : a.key < b.key;
    });
    return occurrences;
}

} // namespace

KeyMatcher::KeyMatcher(const QStringList &keys)
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
    qsizetype units = 0;
    for (const QString &key : keys)
        units += key.size();
    std::vector<Symbol> symbols;
    symbols.reserve(units);
    std::vector<qsizetype> offsets{0};
    offsets.reserve(keys.size() + 1);
    keyLength_.reserve(keys.size());
    for (qsizetype k = 0; k < keys.size(); ++k) {
        for (qsizetype i = 0; i < keys[k].size(); ++i)
            symbols.push_back(symbolFor(FoldedCodePointAt(keys[k], i)));
        offsets.push_back(qsizetype(symbols.size()));
        keyLength_.push_back(std::int32_t(keys[k].size()));
        if (keys[k].isEmpty())
            emptyKeys_.append(k);
    }
    for (char32_t unit = 0; unit < 128; ++unit)
        asciiSymbols_[unit] = asciiFolded[QChar::toCaseFolded(unit)];

    // The trie is built a level at a time, so that nodes are numbered breadth
    // first, each node's children are contiguous and in symbol order, and
    // every failure link points to a level that is complete. Memory is kept
    // small, since fresh memory is much of what a build costs.
    const std::size_t maxNodes = symbols.size() + 1;
    symbol_.reserve(maxNodes);
    fail_.reserve(maxNodes);
    firstChild_.reserve(maxNodes + 1);
    symbol_ = {0};
    fail_ = {0};
    keyNode_.assign(keys.size(), 0);
    keysByNode_.reserve(keys.size());
    const std::size_t rowBudget = symbols.size() / 4;
    rows_.reserve(std::max(rowBudget, std::size_t(symbolCount_))); // rows copy from rows_ itself

    // Each key still going on, as its next symbol above its index, grouped
    // by the node it has reached, in node order.
    const auto going = [](Symbol symbol, qsizetype k) {
        return std::uint64_t(symbol) << 32 | std::uint32_t(k);
    };
    std::vector<std::uint64_t> level;
    level.reserve(keys.size());
    for (qsizetype k = 0; k < keys.size(); ++k) {
        if (offsets[k + 1] > offsets[k])
            level.push_back(going(symbols[offsets[k]], k));
    }
    Node parentsBegin = 0;
    for (qsizetype depth = 0; !level.empty(); ++depth) {
        for (auto run = level.begin(); run != level.end();) {
            const Node parent = keyNode_[std::uint32_t(*run)];
            auto runEnd = run + 1;
            while (runEnd != level.end() && keyNode_[std::uint32_t(*runEnd)] == parent)
                ++runEnd;
            std::sort(run, runEnd);
            run = runEnd;
        }
        const Node parentsEnd = Node(symbol_.size());
        std::size_t goingOn = 0; // the next level is written over this one
        Node parent = -1;
        Symbol symbol = -1;
        for (const std::uint64_t g : level) {
            const auto k = std::int32_t(std::uint32_t(g));
            const auto s = Symbol(g >> 32);
            if (keyNode_[k] != parent || s != symbol) {
                parent = keyNode_[k];
                symbol = s;
                // Nodes before it with no children start theirs here too.
                while (Node(firstChild_.size()) <= parent)
                    firstChild_.push_back(Node(symbol_.size()));
                symbol_.push_back(s);
                fail_.push_back(parent == 0 ? 0 : step(fail_[parent], s));
            }
            keyNode_[k] = Node(symbol_.size() - 1);
            if (offsets[k + 1] - offsets[k] > depth + 1)
                level[goingOn++] = going(symbols[offsets[k] + depth + 1], k);
            else
                keysByNode_.emplace_back(keyNode_[k], k);
        }
        while (Node(firstChild_.size()) <= parentsEnd)
            firstChild_.push_back(Node(symbol_.size()));
        for (Node n = parentsBegin; n < parentsEnd; ++n)
            addRow(n, rowBudget);
        parentsBegin = parentsEnd;
        level.resize(goingOn);
    }
    const Node nodes = Node(symbol_.size());
    while (Node(firstChild_.size()) <= nodes)
        firstChild_.push_back(nodes);
    if (rowNodes_ == 0)
        addRow(0, rowBudget);

    // Failure links point to earlier nodes, so one pass in node order tells
    // which nodes have a key ending on their chain.
    output_.assign(nodes, 0);
    for (const auto &[node, k] : keysByNode_)
        output_[node] = kKeyEndsHere | kKeyEndsOnChain;
    for (Node n = 1; n < nodes; ++n)
        output_[n] |= output_[fail_[n]] & kKeyEndsOnChain;
}

void KeyMatcher::addRow(Node node, std::size_t budget)
{
    // A row costs an entry for every symbol, so only the nodes numbered first
    // get one, as far as the budget goes; the root always does. A node's
    // failure node comes before it and so has its row already.
    if (node != rowNodes_ || (node > 0 && rows_.size() + symbolCount_ > budget))
        return;
    const std::size_t row = rows_.size();
    if (node == 0)
        rows_.resize(symbolCount_, 0);
    else
        rows_.insert(rows_.end(), rows_.begin() + std::size_t(fail_[node]) * symbolCount_,
                     rows_.begin() + std::size_t(fail_[node] + 1) * symbolCount_);
    for (Node child = firstChild_[node]; child < firstChild_[node + 1]; ++child)
        rows_[row + symbol_[child]] = child;
    rowNodes_ = node + 1;
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
        if (node < rowNodes_)
            return rows_[std::size_t(node) * symbolCount_ + symbol];
        const auto first = symbol_.begin() + firstChild_[node];
        const auto last = symbol_.begin() + firstChild_[node + 1];
        const auto child = std::lower_bound(first, last, symbol);
        if (child != last && *child == symbol)
            return Node(child - symbol_.begin());
        node = fail_[node];
    }
}

inline KeyMatcher::Node KeyMatcher::advance(Node node, QStringView text, qsizetype &i) const
{
    // This is the scan's inner loop: ASCII and a step from a node with a row,
    // the common cases, take a look-up each.
    const char16_t unit = text[i].unicode();
    const Symbol symbol = unit < 128 ? asciiSymbols_[unit] : symbolOf(FoldedCodePointAt(text, i));
    if (node < rowNodes_)
        return rows_[std::size_t(node) * symbolCount_ + symbol];
    return step(node, symbol);
}

QList<bool> KeyMatcher::found(QStringView text) const
{
    QList<bool> found(qsizetype(keyNode_.size()), false);
    if (text.isEmpty())
        return found;

    std::vector<std::uint8_t> reached(symbol_.size(), 0);
    Node node = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        node = advance(node, text, i);
        reached[node] = 1;
    }
    // A node reached means every key ending in a suffix of it occurs too.
    for (Node n = Node(reached.size()) - 1; n > 0; --n) {
        if (reached[n])
            reached[fail_[n]] = 1;
    }
    for (std::size_t k = 0; k < keyNode_.size(); ++k)
        found[k] = reached[keyNode_[k]] != 0;
    for (qsizetype k : emptyKeys_)
        found[k] = true;
    return found;
}

QList<Occurrence> KeyMatcher::locate(QStringView text, qsizetype limit) const
{
    QList<Occurrence> occurrences;
    if (text.isEmpty())
        return occurrences;
    for (qsizetype k : emptyKeys_) {
        if (occurrences.size() < limit)
            occurrences.append({k, 0, 0});
    }
    // Matching code points fold to the same plane, so a key covers as many
    // units in the text as it has itself.
    Node node = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        node = advance(node, text, i);
        if (!(output_[node] & kKeyEndsOnChain))
            continue;
        for (Node n = node; n != 0; n = fail_[n]) {
            if (!(output_[n] & kKeyEndsHere))
                continue;
            auto at = std::lower_bound(keysByNode_.begin(), keysByNode_.end(), std::pair(n, 0));
            for (; at != keysByNode_.end() && at->first == n; ++at) {
                if (occurrences.size() == limit)
                    return Sorted(occurrences);
                const qsizetype length = keyLength_[at->second];
                occurrences.append({at->second, i + 1 - length, length});
            }
        }
    }
    return Sorted(occurrences);
}

} // namespace detect
