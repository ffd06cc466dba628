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
    // How the statements that refer to a name are found: by looking for the
    // name in the text as a use is followed, reading only the statements
    // that hold it, or by reading every statement at once. As asked turns
    // into at once where looking would cost more.
    enum class Finding : std::uint8_t { AsAsked, AllAtOnce };

    // Reads the statements of the formula in UTF-8, to follow them.
    explicit Reach(QByteArray text, Finding finding = Finding::AsAsked);

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
    // statement `from` to the output `to`, in order, the output left out: the
    // first `most`, and in `more` how many follow them.
    QStringList via(qsizetype from, qsizetype to, qsizetype most = kListed,
                    qsizetype *more = nullptr) const;

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
    // Where in a flat array a statement's list starts, and how long it is;
    // a start of -1 before it is worked out.
    struct Span
    {
        std::int32_t start = -1;
        std::int32_t size = 0;
    };

    std::span<const Edge> dependents(qsizetype statement) const;
    // Every statement's dependents at once, when looking for them name by
    // name would cost more than reading everything.
    void readAll() const;
    // Works out what `statement` reaches, and what every statement after it
    // on the way does.
    void follow(qsizetype statement) const;
    std::span<const Entry> first(qsizetype statement) const
    {
        const Span &span = first_[std::size_t(statement)];
        return std::span(entries_).subspan(std::size_t(span.start), std::size_t(span.size));
    }
    qsizetype count(qsizetype statement) const;

    const Statements statements_;
    // All is worked out when first asked for, and kept.
    mutable std::vector<Span> dependentsAt_;
    mutable std::vector<Edge> edges_;
    mutable std::vector<Span> first_; // the first outputs each reaches, itself left out
    mutable std::vector<Entry> entries_;
    mutable std::vector<std::uint8_t> flags_; // kFollowed, kSignal, kAny
    mutable std::vector<qsizetype> counts_;   // outputs counted beyond the listed
    mutable qsizetype countSteps_;
    mutable qsizetype searched_ = 0; // bytes looked through for references
    mutable bool allRead_ = false;
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
