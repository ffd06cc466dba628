#pragma once

#include "lexer.h"

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <span>

namespace language {

// How a future function appears in a formula.
enum class Writing {
    Call,   // NAME(…)
    Bare,   // NAME, without brackets
    Period, // #NAME behind a price or a formula's output: a longer period
    // NAME(X,-N): a call whose period, its second argument, is a negative
    // number written in the formula; with any other period it is no future
    // function, so a list's entry of that name is not described by it.
    NegativePeriod,
};

// Why a function sees the future.
enum class FutureClass {
    Redraws,          // its value on past bars changes as new bars come
    LaterBars,        // it reads bars after the current one
    UnknownThen,      // it uses data that was not known on that bar
    UnfinishedPeriod, // it refers to a longer period that is not over yet
};

struct FutureFunction
{
    QLatin1StringView name; // as a formula writes it, in capitals: "ZIG", "#WEEK"
    Writing writing;
    FutureClass futureClass;
    QStringView why;     // one sentence
    QStringView instead; // a safe way to the same end; empty where there is none
};

// A known future function written in a formula's code.
struct Use
{
    const FutureFunction *function = nullptr;
    qsizetype start = 0;  // of its name, or of the # before a period
    qsizetype length = 0; // of the name, with that #, without any bracket
    bool operator==(const Use &) const = default;
};

// The known future functions of the formula language, grouped by class.
std::span<const FutureFunction> FutureFunctions();

// The function of that name ("zig", "#Week"), without regard to case; null
// when the table has none.
const FutureFunction *FindFutureFunction(QStringView name);

// The first letters of the table's names, for Lexer::skip().
const NameStarts &FutureFunctionStarts();

// The use of a function of the table that a name or period token of the
// formula's code makes: a call's name is followed by "(" with spaces or tabs
// between, a bare name stands alone, and a period is written with its #;
// without it, YEAR and MONTH are the date functions. No function for any
// other token.
Use UsedBy(QByteArrayView text, const Token &token);

// "redraws", "later-bars", "unknown-then", "unfinished-period".
QLatin1StringView ClassId(FutureClass futureClass);
// What the class means, in a few words: "改写历史".
QStringView ClassTitle(FutureClass futureClass);

} // namespace language
