#pragma once

#include "statements.h"

#include <QLatin1StringView>
#include <QList>
#include <QStringList>

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace language {

// What a use of a future function in a formula reaches: the outputs that
// show its value, each as a signal or a line. A use reaches the statement it
// stands in when that is an output, and every output that refers to the name
// that statement defines, directly or through any chain of definitions. An
// output is reached as a signal when any of the ways in is a signal.
//
// Worked out once for all statements, in one pass back over them, keeping
// for each the first outputs it reaches in text order: a statement's first
// outputs are among the first of those that refer to it.
class Reach
{
public:
    // Reads the statements of the formula in UTF-8 and follows them.
    explicit Reach(QByteArray text);

    struct Output
    {
        qsizetype statement;
        Kind kind;
        bool operator==(const Output &) const = default;
    };
    struct OfUse
    {
        qsizetype statement = -1; // the one it stands in
        QList<Output> outputs;    // in text order, at most as many as asked for
        qsizetype more = 0;       // how many further outputs it reaches
        bool signal = false;      // it reaches some output as a signal
        bool any = false;         // it reaches some output
    };
    // What a use in code at `position` reaches, the first `most` outputs listed.
    OfUse of(qsizetype position, qsizetype most) const;
    // Whether it reaches some output, and some as a signal: of() without a list.
    std::pair<bool, bool> anyAndSignal(qsizetype position) const;

    // The names of the definitions on one shortest way from what stands in
    // statement `from` to the output `to`, in order, the output left out.
    QStringList via(qsizetype from, qsizetype to) const;

    // How uses at these positions reach each statement: none, or for an
    // output its kind; by statement.
    enum class Reached : std::uint8_t { No, Line, Signal };
    std::vector<Reached> reachedFrom(const QList<qsizetype> &positions) const;

    const Statements &statements() const { return statements_; }

    // Beyond this many, a statement's outputs are counted, not listed.
    static constexpr qsizetype kListed = 20;

private:
    struct Edge
    {
        std::int32_t to; // a statement that refers to this one
        Kind kind;       // how the references stand in it, when it is an output
    };
    struct Entry
    {
        std::int32_t output;
        std::int32_t distance; // statements from this one to it
        std::int32_t next;     // the first on a shortest way
        Kind kind;
    };
    qsizetype count(qsizetype statement) const;
    std::span<const Edge> dependents(qsizetype statement) const
    {
        return std::span(dependents_)
            .subspan(std::size_t(dependentsFrom_[std::size_t(statement)]),
                     std::size_t(dependentsFrom_[std::size_t(statement) + 1] -
                                 dependentsFrom_[std::size_t(statement)]));
    }
    std::span<const Entry> first(qsizetype statement) const
    {
        const auto [from, size] = first_[std::size_t(statement)];
        return std::span(entries_).subspan(std::size_t(from), std::size_t(size));
    }

    const Statements statements_;
    // Those that refer to each statement, together, each statement's from
    // dependentsFrom_ on.
    std::vector<Edge> dependents_;
    std::vector<std::int32_t> dependentsFrom_;
    // The first outputs each reaches, itself left out: where in entries_, how many.
    std::vector<std::pair<std::int32_t, std::int32_t>> first_;
    std::vector<Entry> entries_;
    std::vector<bool> signal_; // it reaches some output as a signal
    std::vector<bool> any_;    // it reaches some output
    // Outputs counted beyond the listed, worked out when asked.
    mutable std::vector<qsizetype> counts_;
    mutable qsizetype budget_;
};

// What a formula's uses reach, as a whole.
enum class Verdict : std::uint8_t {
    None,   // no use
    Unused, // uses, none of which reaches any output
    Line,   // some reach outputs, none a signal
    Signal, // some use reaches a signal
};

// "none", "unused", "line", "signal".
QLatin1StringView VerdictId(Verdict verdict);

// The verdict of the uses seen so far.
class VerdictTally
{
public:
    void add(const Reach::OfUse &use) { add(use.any, use.signal); }
    void add(bool reachesAny, bool reachesSignal)
    {
        any_ = true;
        line_ = line_ || reachesAny;
        signal_ = signal_ || reachesSignal;
    }
    Verdict verdict() const
    {
        return signal_ ? Verdict::Signal
               : line_ ? Verdict::Line
               : any_  ? Verdict::Unused
                       : Verdict::None;
    }

private:
    bool any_ = false, line_ = false, signal_ = false;
};

} // namespace language
