#pragma once

#include "formulareader.h"
#include "keymatcher.h"
#include "searchkey.h"
#include "views.h"

#include <memory>

namespace detect {

// What a scan found, for showing where it stands in the formula: the entries
// found, in list order, and every occurrence of their keys, ordered as
// KeyMatcher::locate() orders them, with Occurrence::key an index in `found`
// and its context at the same index in `contexts`; and the known future
// functions in the formula's code that the list missed, in text order.
// Places are in the formula's UTF-16 units.
// Beyond kMaxLocated occurrences, or missed functions, no more are listed: a million marks already
// say more than anyone can read, and keys that overlap themselves could
// otherwise ask for more memory than there is.
inline constexpr qsizetype kMaxLocated = 1'000'000;

struct Findings
{
    QList<SearchKey> found;
    QList<Occurrence> occurrences;
    QList<language::Context> contexts;
    QList<language::Use> missed;
};

// The result line that reports one entry found, without its line end.
QString FindingLine(const SearchKey &found);

// Tests every entry of the list against the formula and writes one finding
// line per entry found (the last found on top) in red, or the nothing-found
// message in black; leaves nothing selected.
Findings ScanFormula(KeywordListView &list, const FormulaTextView &formula, ResultTextView &result);

// Scans as ScanFormula() does, keeping the matcher built for a list, so that
// the next scan of the same list builds none: at the limits the build costs
// more than the pass over the formula.
class Scanner
{
public:
    Findings scan(KeywordListView &list, const FormulaTextView &formula, ResultTextView &result);
    // How many matchers the scans have built.
    qsizetype builds() const { return builds_; }

private:
    QStringList entries_; // those searched for at the last build
    QList<SearchKey> searched_;
    std::unique_ptr<KeyMatcher> matcher_;
    qsizetype builds_ = 0;
};

} // namespace detect
