#pragma once

#include <QHash>
#include <QList>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <limits>
#include <vector>

namespace detect {

// Where one key occurs in a text, in UTF-16 units.
struct Occurrence
{
    qsizetype key = 0; // index in the keys the matcher was built from
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const Occurrence &) const = default;
};

// Finds many keys in a text at once, without regard to case.
//
// Text and keys are read as code points; a surrogate that is not half of a
// pair is a code point of its own. Two code points are equal when their
// simple case foldings are, so a key occurs only where a code point starts and
// never starts or ends inside a pair. An empty key occurs in any text that is
// not empty, and nothing occurs in an empty text.
//
// All keys are searched in one pass over the text (an Aho-Corasick automaton
// over folded code points), so the cost hardly grows with their number.
class KeyMatcher
{
public:
    explicit KeyMatcher(const QStringList &keys);

    // One flag per key, in the order the keys were given: whether it occurs.
    QList<bool> found(QStringView text) const;

    // Every occurrence of every key, overlapping ones too, ordered by start
    // and then by key. An empty key is reported once, at the start. Keys
    // that overlap themselves can occur far more often than the text is long,
    // so at most `limit` are reported: those that end first.
    QList<Occurrence> locate(QStringView text,
                             qsizetype limit = std::numeric_limits<qsizetype>::max()) const;

private:
    using Symbol = std::int32_t; // dense number of a folded code point; 0 for none in any key
    using Node = std::int32_t;   // breadth-first number; 0 is the root

    Symbol symbolOf(char32_t folded) const;
    Node step(Node node, Symbol symbol) const;
    void addRow(Node node, std::size_t budget);
    // The node after the code point at text[i]; moves i onto a pair's second half.
    Node advance(Node node, QStringView text, qsizetype &i) const;

    QHash<char32_t, Symbol> symbols_; // folded code points beyond ASCII
    Symbol asciiSymbols_[128] = {};   // by code point, before folding
    Symbol symbolCount_ = 1;

    // The children of node n are [firstChild_[n], firstChild_[n + 1]), in the
    // order of the symbol that leads to them. The first rowNodes_ nodes also
    // have a row in rows_, indexed by symbol, that holds where a step leads,
    // failure links already followed.
    std::vector<Symbol> symbol_;
    std::vector<Node> firstChild_;
    std::vector<Node> fail_;
    std::vector<Node> rows_;
    Node rowNodes_ = 0;

    std::vector<Node> keyNode_;           // where each key ends; the root for an empty key
    std::vector<std::int32_t> keyLength_; // in UTF-16 units
    // Keys by the node where they end, and for each node whether a key ends
    // there, and whether one ends there or anywhere on its failure chain.
    std::vector<std::pair<Node, std::int32_t>> keysByNode_;
    static constexpr std::uint8_t kKeyEndsHere = 1;
    static constexpr std::uint8_t kKeyEndsOnChain = 2;
    std::vector<std::uint8_t> output_;
    QList<qsizetype> emptyKeys_;
};

} // namespace detect
