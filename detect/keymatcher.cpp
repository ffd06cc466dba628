#include "keymatcher.h"

#include <QChar>

#include <algorithm>

namespace detect {

namespace {

// Calls visit(folded, end) for each code point of `s`, with the offset just
// behind it. A high surrogate followed by a low one is one code point; any
// other surrogate stands for itself.
template <typename Visit> void ForEachFoldedCodePoint(QStringView s, Visit visit)
{
    const qsizetype size = s.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = s[i].unicode();
        if (unit < 128) { // keys and formulas are mostly ASCII
            visit(char32_t(unit >= u'A' && unit <= u'Z' ? unit + 32 : unit), i + 1);
            continue;
        }
        char32_t codePoint = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && s[i + 1].isLowSurrogate())
            codePoint = QChar::surrogateToUcs4(unit, s[++i].unicode());
        visit(QChar::toCaseFolded(codePoint), i + 1);
    }
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
    std::vector<qsizetype> offsets{0};
    offsets.reserve(keys.size() + 1);
    std::vector<Symbol> symbols;
    keyLength_.reserve(keys.size());
    for (qsizetype k = 0; k < keys.size(); ++k) {
        ForEachFoldedCodePoint(
            keys[k], [&](char32_t folded, qsizetype) { symbols.push_back(symbolFor(folded)); });
        offsets.push_back(qsizetype(symbols.size()));
        keyLength_.push_back(keys[k].size());
        if (keys[k].isEmpty())
            emptyKeys_.append(k);
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
        if (offsets[k + 1] > offsets[k])
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

    // Which keys end where, for locate(); failure links point to earlier
    // nodes, so one pass in node order fills outputNode_.
    const Node nodes = Node(symbol_.size());
    keysAtBegin_.assign(std::size_t(nodes) + 1, 0);
    for (qsizetype k = 0; k < keys.size(); ++k) {
        if (keyNode_[k] != 0)
            ++keysAtBegin_[keyNode_[k] + 1];
    }
    for (Node n = 0; n < nodes; ++n)
        keysAtBegin_[n + 1] += keysAtBegin_[n];
    keysAt_.resize(keysAtBegin_[nodes]);
    std::vector<std::int32_t> filled(keysAtBegin_.begin(), keysAtBegin_.end() - 1);
    for (qsizetype k = 0; k < keys.size(); ++k) {
        if (keyNode_[k] != 0)
            keysAt_[filled[keyNode_[k]]++] = std::int32_t(k);
    }
    outputNode_.assign(nodes, 0);
    for (Node n = 1; n < nodes; ++n)
        outputNode_[n] = keysAtBegin_[n + 1] > keysAtBegin_[n] ? n : outputNode_[fail_[n]];
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

template <typename Visit> void KeyMatcher::walk(QStringView text, Visit visit) const
{
    Node node = 0;
    ForEachFoldedCodePoint(text, [&](char32_t folded, qsizetype end) {
        node = step(node, symbolOf(folded));
        visit(node, end);
    });
}

QList<bool> KeyMatcher::found(QStringView text) const
{
    QList<bool> found(qsizetype(keyNode_.size()), false);
    if (text.isEmpty())
        return found;

    std::vector<std::uint8_t> reached(symbol_.size(), 0);
    walk(text, [&](Node node, qsizetype) { reached[node] = 1; });
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

QList<Occurrence> KeyMatcher::locate(QStringView text) const
{
    QList<Occurrence> occurrences;
    if (text.isEmpty())
        return occurrences;
    for (qsizetype k : emptyKeys_)
        occurrences.append({k, 0, 0});
    // Matching code points fold to the same plane, so a key covers as many
    // units in the text as it has itself.
    walk(text, [&](Node node, qsizetype end) {
        for (Node n = outputNode_[node]; n != 0; n = outputNode_[fail_[n]]) {
            for (std::int32_t i = keysAtBegin_[n]; i < keysAtBegin_[n + 1]; ++i) {
                const qsizetype length = keyLength_[keysAt_[i]];
                occurrences.append({keysAt_[i], end - length, length});
            }
        }
    });
    std::stable_sort(occurrences.begin(), occurrences.end(), [](const auto &a, const auto &b) {
        return a.start != b.start ? a.start < b.start : a.key < b.key;
    });
    return occurrences;
}

} // namespace detect
