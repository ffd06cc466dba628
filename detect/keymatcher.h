#pragma once

#include <QHash>
#include <QList>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace detect {

// Tells which of many keys occur in a text, comparing without regard to case
// exactly as QString::indexOf(key, 0, Qt::CaseInsensitive) does, except that
// an empty text contains nothing, not even the empty key. All keys are
// searched in one pass over the text (an Aho-Corasick automaton over
// case-folded UTF-16 units), so the cost hardly grows with their number.
class KeyMatcher
{
public:
    explicit KeyMatcher(const QStringList &keys);

    // One flag per key, in the order the keys were given.
    QList<bool> occurrences(QStringView text) const;

private:
    using Symbol = std::int32_t; // dense number of a folded unit; 0 for none in any key
    using Node = std::int32_t;   // index in breadth-first order; 0 is the root

    Symbol symbolOf(char32_t folded) const;
    Node step(Node node, Symbol symbol) const;
    void indexChildren(Node node);

    QHash<char32_t, Symbol> symbols_; // folded units beyond ASCII
    Symbol asciiSymbols_[128] = {};   // by unit, before folding
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
    std::vector<Node> keyNode_;

    // Keys for which the platform's answer depends on which search method it
    // picks, not on the text alone (surrogates; see keymatcher.cpp).
    QList<qsizetype> singleLowSurrogateKeys_;
    QList<qsizetype> lowSurrogateStartKeys_;
    QList<qsizetype> longSplitPairKeys_;
    QStringList keys_;
};

} // namespace detect
