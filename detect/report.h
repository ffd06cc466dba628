#pragma once

#include "formulareader.h"
#include "futurefunctions.h"
#include "keymatcher.h"
#include "reach.h"
#include "searchkey.h"

#include <QHash>
#include <QList>
#include <QStringView>

#include <memory>

namespace detect {

// An entry of the keyword list as a report names it.
struct ReportedEntry
{
    SearchKey key;
    // The table's function of the entry's display name; null when none.
    const language::FutureFunction *function = nullptr;
};

// An occurrence of an entry's key. An entry listed more than once occurs
// once, as its first listing.
struct Finding
{
    qsizetype listing = 0; // the entry's first place in the list
    qsizetype start = 0;
    qsizetype length = 0;
    // Where it stands; Code when the search did not read the formula.
    language::Context context = language::Context::Code;
};

// A known future function in the formula's code.
struct FunctionUse
{
    language::Use use;
    bool missed = false; // no finding in code starts where it starts
};

// Takes what a search reports, in text order: at one place the findings in
// list order, then the use there. False ends the search.
class ReportSink
{
public:
    virtual ~ReportSink() = default;
    virtual bool finding(const Finding &finding) = 0;
    virtual bool used(const FunctionUse &use) = 0;
    // What the formula's statements reach, before the first finding in code
    // or use, when the search follows them.
    virtual void reaching(std::shared_ptr<const language::Reach> reach) { Q_UNUSED(reach); }
};

// How much of the formula a search reads.
enum class Reading : std::uint8_t {
    Occurrences, // where each key occurs
    Contexts,    // and where each stands, and the known functions used in code
    Reach,       // and, where anything stands in code, the statements
};

// Searches formulas for the entries of one keyword list: the one place that
// turns a formula and a list into what was found. The matcher is built once,
// and each formula costs one pass; what the report says of an entry is
// worked out when it is first found, so a long list costs nothing more.
// Copies share the matcher, each for a thread of its own.
class FormulaSearch
{
public:
    // The entries are views into strings that must outlive the search.
    explicit FormulaSearch(const QList<QStringView> &entries);

    qsizetype listingCount() const { return entries_.size(); }
    const ReportedEntry &entry(qsizetype listing);
    // The listing that stands for `listing`: the first of the same text.
    qsizetype firstListing(qsizetype listing);

    // For each listing, whether its key occurs in the UTF-8 text.
    QList<bool> foundListings(QByteArrayView text) const;

    // Every occurrence of every entry's key in the UTF-8 text (see
    // MatchableText()); as far as `reading` goes, where each stands and every
    // known future function used in code, each use once every occurrence
    // that starts where it does has been reported, and what it all reaches.
    void search(QByteArrayView text, ReportSink &sink, Reading reading);

private:
    QList<QStringView> entries_;
    std::shared_ptr<const KeyMatcher> matcher_;
    QHash<qsizetype, qsizetype> firstOf_;         // for the listings found
    QHash<QStringView, qsizetype> firstListings_; // by text, of those found
    QHash<qsizetype, ReportedEntry> described_;
};

} // namespace detect
