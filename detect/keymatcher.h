#pragma once

#include "bytescan.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <limits>
#include <vector>

namespace detect {

// Where one key occurs in a text, in the text's units: UTF-16 units for a
// QStringView, bytes for UTF-8.
struct Occurrence
{
    qsizetype key = 0; // index in the keys the matcher was built from
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const Occurrence &) const = default;
};

// Takes the occurrences a scan hands over; returning false ends the scan.
class OccurrenceSink
{
public:
    virtual ~OccurrenceSink() = default;
    virtual bool take(const Occurrence &occurrence) = 0;
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
// over folded code points), so the cost hardly grows with their number; the
// stretches where no key can start are passed over many bytes at a time.
// UTF-8 text is read as it is (see MatchableText()); UTF-16 text is turned
// into it first.
class KeyMatcher
{
public:
    explicit KeyMatcher(const QStringList &keys);
    explicit KeyMatcher(const QList<QStringView> &keys);

    // One flag per key, in the order the keys were given: whether it occurs.
    QList<bool> found(QStringView text) const;
    QList<bool> foundInUtf8(QByteArrayView text) const;

    // Every occurrence of every key, overlapping ones too, ordered by start
    // and then by key. An empty key is reported once, at the start. Keys
    // that overlap themselves can occur far more often than the text is long,
    // so at most `limit` are reported: those that end first.
    QList<Occurrence> locate(QStringView text,
                             qsizetype limit = std::numeric_limits<qsizetype>::max()) const;
    QList<Occurrence> locateInUtf8(QByteArrayView text,
                                   qsizetype limit = std::numeric_limits<qsizetype>::max()) const;
    // Occurrences located in text made by MatchableText(), in the units of
    // the UTF-16 text it was made from.
    QList<Occurrence> inUtf16Units(QByteArrayView text, QList<Occurrence> occurrences) const;

    // Every occurrence in UTF-8 text, in the order of locate(), handed over
    // as the scan goes, so that memory does not grow with their number.
    void streamInUtf8(QByteArrayView text, OccurrenceSink &sink) const;

private:
    using Symbol = std::int32_t; // dense number of a folded code point; 0 for none in any key
    using Node = std::int32_t;   // breadth-first number; 0 is the root

    Symbol symbolOf(char32_t folded) const;
    Node step(Node node, Symbol symbol) const;
    Node stepBeyondRows(Node node, Symbol symbol) const;
    void addRow(Node node, std::size_t budget);
    language::StartFilter startFilter(const std::vector<char32_t> &codePointOf) const;
    // Runs the automaton over the text, calling onEnd(node, end) wherever a
    // key ends, until it returns false.
    template <typename OnEnd> void run(QByteArrayView text, OnEnd &&onEnd) const;
    // Calls each(key, start) for the keys that end at node n, the longest
    // first; false from it stops and is returned.
    template <typename Each>
    bool forEachEnding(Node node, const uchar *text, qsizetype end, Each &&each) const;

    QHash<char32_t, Symbol> symbols_; // folded code points beyond ASCII
    Symbol asciiSymbols_[128] = {};   // by code point, before folding
    Symbol symbolCount_ = 1;
    // Whether a code point beyond ASCII can be part of a key: keys beyond
    // ASCII, or "k" and "s", into which the Kelvin sign and the long s fold.
    bool nonAsciiMatters_ = false;

    // The children of node n are [firstChild_[n], firstChild_[n + 1]), in the
    // order of the symbol that leads to them. The first rowNodes_ nodes also
    // have a row in rows_, indexed by symbol, that holds where a step leads,
    // failure links already followed.
    std::vector<Symbol> symbol_;
    std::vector<Node> firstChild_;
    std::vector<Node> fail_;
    std::vector<Node> rows_;
    Node rowNodes_ = 0;
    // Nodes of depth d are those from levelEnd_[d - 1] on, before levelEnd_[d].
    std::vector<Node> levelEnd_;
    language::StartFilter filter_;

    std::vector<Node> keyNode_;               // where each key ends; the root for an empty key
    std::vector<std::int32_t> keyLength_;     // in UTF-16 units
    std::vector<std::int32_t> keyCodePoints_; // in code points
    // Keys by the node where they end, and for each node whether a key ends
    // there, and whether one ends there or anywhere on its failure chain.
    std::vector<std::pair<Node, std::int32_t>> keysByNode_;
    static constexpr std::uint8_t kKeyEndsHere = 1;
    static constexpr std::uint8_t kKeyEndsOnChain = 2;
    std::vector<std::uint8_t> output_;
    QList<qsizetype> emptyKeys_;
};

} // namespace detect
