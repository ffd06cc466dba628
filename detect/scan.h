#pragma once

#include "reachwords.h"
#include "report.h"
#include "searchkey.h"
#include "views.h"

#include <memory>

namespace detect {

// Beyond kMaxLocated occurrences, or missed functions, a scan lists no more:
// a million marks already say more than anyone can read, and keys that
// overlap themselves could otherwise ask for more memory than there is.
inline constexpr qsizetype kMaxLocated = 1'000'000;

// What a scan found, for showing where it stands in the formula. Places are
// in the formula's UTF-16 units.
struct Findings
{
    // The entries found, each once, in list order.
    QList<ReportedEntry> entries;
    // The result's finding lines from the top, each as the index in
    // `entries` of the entry it names.
    QList<qsizetype> lines;
    // Every occurrence with where it stands, ordered by start and at one
    // start in list order.
    struct Occurrence
    {
        qsizetype entry; // index in `entries`
        qsizetype start;
        qsizetype length;
        language::Context context;
        qsizetype at; // its start in the formula's UTF-8, where reach is asked
        bool operator==(const Occurrence &) const = default;
    };
    QList<Occurrence> occurrences;
    // The known future functions in code that the list missed, in text order.
    struct Missed
    {
        language::Use use;
        qsizetype at;
    };
    QList<Missed> missed;
    // What the formula's statements reach; none when nothing stands in code.
    std::shared_ptr<const FormulaReach> reach;
};

// The result line that reports one entry found, without its line end.
QString FindingLine(const SearchKey &found);

// Tests every entry of the list against the formula and writes one finding
// line per entry found (the last found on top) in red, or the nothing-found
// message in black; leaves nothing selected.
Findings ScanFormula(KeywordListView &list, const FormulaTextView &formula, ResultTextView &result);

// Scans as ScanFormula() does, keeping the search built for a list, so that
// the next scan of the same list builds none: at the limits the build costs
// more than the pass over the formula.
class Scanner
{
public:
    Findings scan(KeywordListView &list, const FormulaTextView &formula, ResultTextView &result);
    // How many searches the scans have built.
    qsizetype builds() const { return builds_; }

private:
    QStringList entries_; // those searched for at the last build
    std::unique_ptr<FormulaSearch> search_;
    qsizetype builds_ = 0;
};

} // namespace detect
