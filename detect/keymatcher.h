#pragma once

#include <QHash>
#include <QList>
#include <QStringList>
#include <QStringView>

#include <cstdint>
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
    // and then by key. An empty key is reported once, at the start.
    QList<Occurrence> locate(QStringView text) const;

private:
    using Symbol = std::int32_t; // dense number of a folded code point; 0 for none in any key
    using Node = std::int32_t;   // index in breadth-first order; 0 is the root

    Symbol symbolOf(char32_t folded) const;
    Node step(Node node, Symbol symbol) const;
    void indexChildren(Node node);
    template <typename Visit> void walk(QStringView text, Visit visit) const;

    QHash<char32_t, Symbol> symbols_; // folded code points beyond ASCII
    Symbol asciiSymbols_[128] = {};   // by code point, before folding
    Symbol symbolCount_ = 1;

    // Children of a node are the contiguous nodes [childBegin_, childEnd_),
    // ordered by the symbol that leads to them. The root and nodes with many
    // children also find them through a row of rows_, indexed by symbol.
    std::vector<Symbol> symbol_;
    std::vector<Node> childBegin_;
    std::vector<Node> childEnd_;
    std::vector<Node> fail_;
    std::vector<std::int32_t> row_;
    std::vector<Node> rows_;

    std::vector<Node> keyNode_;        // the node where each key ends
    std::vector<qsizetype> keyLength_; // in UTF-16 units
    // The keys ending at node n are keysAt_[keysAtBegin_[n], keysAtBegin_[n + 1]);
    // outputNode_[n] is the nearest node on n's failure chain, n included, at
    // which some key ends, or 0.
    std::vector<std::int32_t> keysAtBegin_;
    std::vector<std::int32_t> keysAt_;
    std::vector<Node> outputNode_;
    QList<qsizetype> emptyKeys_;
};

} // namespace detect
