#include "keymatcher.h"

#include "matchtext.h"
#include "utf8.h"

#include <QChar>

#include <algorithm>
#include <memory>

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

using language::IsContinuation;

// The code point whose bytes start at p[i]; moves i past it.
inline char32_t CodePointAt(const uchar *p, qsizetype size, qsizetype &i)
{
    int length;
    const char32_t codePoint = language::DecodeAt(p, size, i, length);
    i += length;
    return codePoint;
}

// Where the code point `count` code points before `end` starts.
inline qsizetype BackBy(const uchar *p, qsizetype end, qsizetype count)
{
    for (; count > 0 && end > 0; --count) {
        do
            --end;
        while (end > 0 && IsContinuation(p[end]));
    }
    return end;
}

const auto kByStartThenKey = [](const Occurrence &a, const Occurrence &b) {
    return a.start != b.start ? a.start < b.start : a.key < b.key;
};

} // namespace

KeyMatcher::KeyMatcher(const QStringList &keys)
    : KeyMatcher(QList<QStringView>(keys.begin(), keys.end()))
{}

KeyMatcher::KeyMatcher(const QList<QStringView> &keys)
{
    Symbol asciiFolded[128] = {};
    std::vector<char32_t> codePointOf{0};
    const auto symbolFor = [&](char32_t folded) {
        if (folded < 128) {
            Symbol &symbol = asciiFolded[folded];
            if (symbol == 0) {
                symbol = symbolCount_++;
                codePointOf.push_back(folded);
            }
            return symbol;
        }
        auto it = symbols_.find(folded);
        if (it == symbols_.end()) {
            it = symbols_.insert(folded, symbolCount_++);
            codePointOf.push_back(folded);
        }
        return *it;
    };

    Symbol byUnit[128]; // the symbol of each ASCII unit, once it has one
    std::fill(std::begin(byUnit), std::end(byUnit), -1);
    const auto symbolAt = [&](QStringView key, qsizetype &i) {
        const char16_t unit = key[i].unicode();
        if (unit >= 128)
            return symbolFor(FoldedCodePointAt(key, i));
        if (byUnit[unit] < 0)
            byUnit[unit] = symbolFor(FoldedCodePointAt(key, i));
        return byUnit[unit];
    };

    // Each key still going on: where its next symbol is, where its symbols
    // end, and the node it has reached. A level's keys are grouped by that
    // node, in node order, and ordered by their next symbol within a group.
    struct Going
    {
        std::int32_t next;
        std::int32_t end;
        std::int32_t key;
        Node node;
    };
    // The symbols of all keys, those with the same first symbol together,
    // so that each group of a later level reads from one small stretch of
    // memory. The keys are read in their own order, where their memory lies:
    // the first symbol and the length first, then all.
    std::vector<Symbol> firstSymbol(keys.size());
    keyLength_.resize(keys.size());
    keyCodePoints_.resize(keys.size());
    std::vector<qsizetype> symbolsFrom;
    std::vector<std::int32_t> keysFrom;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        const QStringView key = keys[k];
        keyLength_[k] = std::int32_t(key.size());
        if (key.isEmpty()) {
            emptyKeys_.append(k);
            continue;
        }
        qsizetype codePoints = key.size();
        for (qsizetype i = 0; i + 1 < key.size(); ++i) {
            if (key[i].isHighSurrogate() && key[i + 1].isLowSurrogate())
                --codePoints;
        }
        keyCodePoints_[k] = std::int32_t(codePoints);
        qsizetype i = 0;
        const Symbol first = firstSymbol[k] = symbolAt(key, i);
        if (std::size_t(first) + 1 >= keysFrom.size()) {
            keysFrom.resize(first + 2, 0);
            symbolsFrom.resize(first + 2, 0);
        }
        ++keysFrom[first + 1];
        symbolsFrom[first + 1] += codePoints;
    }
    for (std::size_t s = 1; s < keysFrom.size(); ++s) {
        keysFrom[s] += keysFrom[s - 1];
        symbolsFrom[s] += symbolsFrom[s - 1];
    }
    const qsizetype symbolTotal = symbolsFrom.empty() ? 0 : symbolsFrom.back();
    // Nodes and places are numbered in 32 bits: billions of entries would
    // not fit in memory anyway.
    if (symbolTotal > std::numeric_limits<std::int32_t>::max())
        qFatal("A keyword list of more than 2^31 characters cannot be searched.");
    const std::unique_ptr<Symbol[]> symbols(new Symbol[symbolTotal]);
    std::vector<Going> level(keysFrom.empty() ? 0 : keysFrom.back());
    for (qsizetype k = 0; k < keys.size(); ++k) {
        const QStringView key = keys[k];
        if (key.isEmpty())
            continue;
        const Symbol first = firstSymbol[k];
        qsizetype next = symbolsFrom[first];
        level[keysFrom[first]++] = {std::int32_t(next), std::int32_t(next + keyCodePoints_[k]),
                                    std::int32_t(k), 0};
        for (qsizetype i = 0; i < key.size(); ++i)
            symbols[next++] = symbolAt(key, i);
        symbolsFrom[first] = next;
    }
    for (char32_t unit = 0; unit < 128; ++unit)
        asciiSymbols_[unit] = asciiFolded[QChar::toCaseFolded(unit)];
    nonAsciiMatters_ = !symbols_.isEmpty() || asciiFolded[u'k'] != 0 || asciiFolded[u's'] != 0;

    // Orders a group by the next symbol, keeping the order of keys otherwise:
    // few by inserting, many by counting, unless symbols far outnumber them.
    std::vector<Going> sorted;
    std::vector<qsizetype> counts;
    const auto sortGroup = [&](Going *first, Going *last) {
        const std::ptrdiff_t n = last - first;
        const auto symbolOf = [&](const Going &going) { return symbols[going.next]; };
        const auto bySymbol = [&](const Going &a, const Going &b) {
            return symbolOf(a) < symbolOf(b);
        };
        if (n < 24) {
            for (Going *i = first + 1; i < last; ++i) {
                const Going going = *i;
                Going *j = i;
                for (; j > first && bySymbol(going, j[-1]); --j)
                    *j = j[-1];
                *j = going;
            }
        } else if (n < symbolCount_ / 4) {
            std::stable_sort(first, last, bySymbol);
        } else {
            counts.assign(symbolCount_ + 1, 0);
            for (const Going *i = first; i < last; ++i)
                ++counts[symbolOf(*i) + 1];
            for (Symbol s = 1; s <= symbolCount_; ++s)
                counts[s] += counts[s - 1];
            sorted.resize(n);
            for (const Going *i = first; i < last; ++i)
                sorted[counts[symbolOf(*i)]++] = *i;
            std::copy(sorted.begin(), sorted.end(), first);
        }
    };

    // The trie is built a level at a time, so that nodes are numbered breadth
    // first, each node's children are contiguous and in symbol order, and
    // every failure link points to a level that is complete. Memory is kept
    // small, since fresh memory is much of what a build costs.
    const std::size_t maxNodes = std::size_t(symbolTotal) + 1;
    symbol_.reserve(maxNodes);
    fail_.reserve(maxNodes);
    firstChild_.reserve(maxNodes + 1);
    symbol_ = {0};
    fail_ = {0};
    levelEnd_ = {1};
    keyNode_.assign(keys.size(), 0);
    keysByNode_.reserve(keys.size());
    // Small lists get a row for every node; long ones for those numbered first.
    const std::size_t rowBudget = std::max(std::size_t(symbolTotal) / 4, std::size_t(1) << 13);
    rows_.reserve(std::min(rowBudget, maxNodes * symbolCount_) +
                  symbolCount_); // rows copy from rows_ itself

    Node parentsBegin = 0;
    while (!level.empty()) {
        const Node parentsEnd = Node(symbol_.size());
        std::size_t goingOn = 0; // the next level is written over this one
        Node parent = -1;
        Symbol symbol = -1;
        for (Going going : level) {
            const Symbol s = symbols[going.next++];
            if (going.node != parent || s != symbol) {
                parent = going.node;
                symbol = s;
                // Nodes before it with no children start theirs here too.
                while (Node(firstChild_.size()) <= parent)
                    firstChild_.push_back(Node(symbol_.size()));
                symbol_.push_back(s);
                fail_.push_back(parent == 0 ? 0 : step(fail_[parent], s));
            }
            going.node = Node(symbol_.size() - 1);
            if (going.next < going.end) {
                level[goingOn++] = going;
            } else {
                keyNode_[going.key] = going.node;
                keysByNode_.emplace_back(going.node, going.key);
            }
        }
        level.resize(goingOn);
        for (auto run = level.begin(); run != level.end();) {
            auto runEnd = run + 1;
            while (runEnd != level.end() && runEnd->node == run->node)
                ++runEnd;
            sortGroup(&*run, &*run + (runEnd - run));
            run = runEnd;
        }
        while (Node(firstChild_.size()) <= parentsEnd)
            firstChild_.push_back(Node(symbol_.size()));
        for (Node n = parentsBegin; n < parentsEnd; ++n)
            addRow(n, rowBudget);
        parentsBegin = parentsEnd;
        levelEnd_.push_back(Node(symbol_.size()));
    }
    const Node nodes = Node(symbol_.size());
    while (Node(firstChild_.size()) <= nodes)
        firstChild_.push_back(nodes);
    for (Node n = parentsBegin; n < nodes; ++n)
        addRow(n, rowBudget);

    // Failure links point to earlier nodes, so one pass in node order tells
    // which nodes have a key ending on their chain.
    output_.assign(nodes, 0);
    for (const auto &[node, k] : keysByNode_)
        output_[node] = kKeyEndsHere | kKeyEndsOnChain;
    for (Node n = 1; n < nodes; ++n)
        output_[n] |= output_[fail_[n]] & kKeyEndsOnChain;

    filter_ = startFilter(codePointOf);
}

language::StartFilter KeyMatcher::startFilter(const std::vector<char32_t> &codePointOf) const
{
    // What the text's byte must be to begin a code point that folds to c:
    // that ASCII byte, or for one beyond ASCII the lead byte of any sequence,
    // which also stands for the Kelvin sign and the long s, beyond ASCII
    // but folding to "k" and "s".
    const auto bytes = [](char32_t c, int(&tests)[2]) {
        int count = 0;
        if (c < 0x80)
            tests[count++] = int(c | 0x20);
        if (c >= 0x80 || c == u'k' || c == u's')
            tests[count++] = language::StartFilter::kLead;
        return count;
    };
    std::vector<language::StartFilter::Test> tests;
    for (Node first = firstChild_[0]; first < firstChild_[1]; ++first) {
        int firstBytes[2];
        const int firstCount = bytes(codePointOf[symbol_[first]], firstBytes);
        for (int i = 0; i < firstCount; ++i) {
            // A key of one code point, or one whose second code point lies
            // beyond the first byte, is told by the first byte alone.
            const Node second = firstChild_[first];
            if ((output_[first] & kKeyEndsHere) || second == firstChild_[first + 1] ||
                firstBytes[i] == language::StartFilter::kLead) {
                tests.push_back({firstBytes[i], language::StartFilter::kAny});
                continue;
            }
            for (Node n = second; n < firstChild_[first + 1]; ++n) {
                int secondBytes[2];
                const int secondCount = bytes(codePointOf[symbol_[n]], secondBytes);
                for (int j = 0; j < secondCount; ++j)
                    tests.push_back({firstBytes[i], secondBytes[j]});
            }
        }
    }
    return language::StartFilter(std::move(tests));
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

inline KeyMatcher::Node KeyMatcher::step(Node node, Symbol symbol) const
{
    if (node < rowNodes_)
        return rows_[std::size_t(node) * symbolCount_ + symbol];
    return stepBeyondRows(node, symbol);
}

KeyMatcher::Node KeyMatcher::stepBeyondRows(Node node, Symbol symbol) const
{
    if (symbol == 0)
        return 0;
    for (;;) {
        if (node < rowNodes_)
            return rows_[std::size_t(node) * symbolCount_ + symbol];
        // Most nodes without a row have one child or none.
        const Node first = firstChild_[node];
        const Node last = firstChild_[node + 1];
        if (last - first == 1) {
            if (symbol_[first] == symbol)
                return first;
        } else if (last > first) {
            const auto child =
                std::lower_bound(symbol_.begin() + first, symbol_.begin() + last, symbol);
            if (child != symbol_.begin() + last && *child == symbol)
                return Node(child - symbol_.begin());
        }
        node = fail_[node];
    }
}

template <typename OnEnd> void KeyMatcher::run(QByteArrayView text, OnEnd &&onEnd) const
{
    if (symbol_.size() == 1) // no key but empty ones
        return;
    const auto *p = reinterpret_cast<const uchar *>(text.data());
    const qsizetype size = text.size();
    Node node = 0;
    qsizetype i = 0;
    language::StartFilter::Cursor cursor;
    // This is the scan's inner loop. At the root, the filter passes over
    // where no key can start; ASCII and a step from a node with a row, the
    // common cases, take a look-up each.
    for (;;) {
        if (node == 0) {
            i = filter_.next(p, i, size, cursor);
            if (i == size)
                return;
        } else if (i == size) {
            return;
        }
        Symbol symbol;
        if (p[i] < 0x80) {
            symbol = asciiSymbols_[p[i++]];
        } else {
            const char32_t codePoint = CodePointAt(p, size, i);
            symbol = nonAsciiMatters_ ? symbolOf(QChar::toCaseFolded(codePoint)) : 0;
        }
        node = step(node, symbol);
        if ((output_[node] & kKeyEndsOnChain) && !onEnd(node, i))
            return;
    }
}

template <typename Each>
bool KeyMatcher::forEachEnding(Node node, const uchar *text, qsizetype end, Each &&each) const
{
    for (Node n = node; n != 0; n = fail_[n]) {
        if (!(output_[n] & kKeyEndsHere))
            continue;
        auto at = std::lower_bound(keysByNode_.begin(), keysByNode_.end(), std::pair(n, 0));
        // Keys ending at one node have the same code points, as many.
        const qsizetype start = BackBy(text, end, keyCodePoints_[at->second]);
        for (; at != keysByNode_.end() && at->first == n; ++at) {
            if (!each(qsizetype(at->second), start))
                return false;
        }
    }
    return true;
}

QList<bool> KeyMatcher::found(QStringView text) const
{
    return foundInUtf8(MatchableText(text));
}

QList<bool> KeyMatcher::foundInUtf8(QByteArrayView text) const
{
    QList<bool> found(qsizetype(keyNode_.size()), false);
    if (text.isEmpty())
        return found;

    std::vector<std::uint8_t> reached(symbol_.size(), 0);
    run(text, [&](Node node, qsizetype) {
        reached[node] = 1;
        return true;
    });
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

QList<Occurrence> KeyMatcher::locateInUtf8(QByteArrayView text, qsizetype limit) const
{
    QList<Occurrence> occurrences;
    if (text.isEmpty())
        return occurrences;
    for (qsizetype k : emptyKeys_) {
        if (occurrences.size() < limit)
            occurrences.append({k, 0, 0});
    }
    const auto *p = reinterpret_cast<const uchar *>(text.data());
    run(text, [&](Node node, qsizetype end) {
        return forEachEnding(node, p, end, [&](qsizetype key, qsizetype start) {
            if (occurrences.size() == limit)
                return false;
            occurrences.append({key, start, end - start});
            return true;
        });
    });
    std::sort(occurrences.begin(), occurrences.end(), kByStartThenKey);
    return occurrences;
}

QList<Occurrence> KeyMatcher::locate(QStringView text, qsizetype limit) const
{
    const QByteArray bytes = MatchableText(text);
    return inUtf16Units(bytes, locateInUtf8(bytes, limit));
}

QList<Occurrence> KeyMatcher::inUtf16Units(QByteArrayView text, QList<Occurrence> occurrences) const
{
    // Matching code points fold to the same plane, so a key covers as many
    // units in the text as it has itself.
    Utf16Offsets units(text);
    for (Occurrence &occurrence : occurrences) {
        occurrence.start = units.at(occurrence.start);
        occurrence.length = keyLength_[occurrence.key];
    }
    return occurrences;
}

void KeyMatcher::streamInUtf8(QByteArrayView text, OccurrenceSink &sink) const
{
    if (text.isEmpty())
        return;
    // The scan meets occurrences in the order of their ends. One that ends
    // later may start earlier, but not before the text the automaton's node
    // stands for, so each waits in `pending` until the scan has left it.
    std::vector<Occurrence> pending;
    std::size_t sortAt = 4096;
    const auto handOver = [&](qsizetype before) {
        std::sort(pending.begin(), pending.end(), kByStartThenKey);
        auto ready = pending.begin();
        for (; ready != pending.end() && ready->start < before; ++ready) {
            if (!sink.take(*ready))
                return false;
        }
        pending.erase(pending.begin(), ready);
        return true;
    };
    for (qsizetype k : emptyKeys_)
        pending.push_back({k, 0, 0});
    const auto *p = reinterpret_cast<const uchar *>(text.data());
    bool going = true;
    run(text, [&](Node node, qsizetype end) {
        forEachEnding(node, p, end, [&](qsizetype key, qsizetype start) {
            pending.push_back({key, start, end - start});
            return true;
        });
        if (pending.size() >= sortAt) {
            const auto depth = std::upper_bound(levelEnd_.begin(), levelEnd_.end(), node);
            going = handOver(BackBy(p, end, depth - levelEnd_.begin()));
            sortAt = std::max(sortAt, 2 * pending.size());
        }
        return going;
    });
    if (going)
        handOver(text.size());
}

} // namespace detect
