#include "report.h"

#include <limits>
#include <vector>

namespace detect {

namespace {

// The search keys of all entries (see DeriveSearchKey()), as views into one
// string that `text` keeps.
QList<QStringView> SearchKeys(const QList<QStringView> &entries, QString &text)
{
    qsizetype size = 0;
    for (const QStringView entry : entries)
        size += entry.size();
    text.reserve(size);
    std::vector<qsizetype> ends;
    ends.reserve(entries.size());
    for (const QStringView entry : entries) {
        AppendSearchKey(entry, text);
        ends.push_back(text.size());
    }
    QList<QStringView> keys;
    keys.reserve(entries.size());
    qsizetype start = 0;
    for (const qsizetype end : ends) {
        keys.append(QStringView(text).sliced(start, end - start));
        start = end;
    }
    return keys;
}

} // namespace

FormulaSearch::FormulaSearch(const QList<QStringView> &entries)
    : entries_(entries), matcher_([&] {
          QString keys;
          return std::make_shared<const KeyMatcher>(SearchKeys(entries, keys));
      }())
{}

qsizetype FormulaSearch::firstListing(qsizetype listing)
{
    // Told apart only among the entries found, so a long list costs nothing.
    if (const auto known = firstOf_.constFind(listing); known != firstOf_.constEnd())
        return *known;
    const auto first = firstListings_.constFind(entries_[listing]);
    const qsizetype firstListing = first == firstListings_.constEnd() ? listing : *first;
    if (firstListing == listing)
        firstListings_.insert(entries_[listing], listing);
    firstOf_.insert(listing, firstListing);
    return firstListing;
}

const ReportedEntry &FormulaSearch::entry(qsizetype listing)
{
    if (const auto known = described_.constFind(listing); known != described_.constEnd())
        return *known;
    ReportedEntry described;
    described.key = DeriveSearchKey(entries_[listing].toString());
    described.function = language::FindFutureFunction(described.key.displayName);
    return *described_.insert(listing, described);
}

QList<bool> FormulaSearch::foundListings(QByteArrayView text) const
{
    return matcher_->foundInUtf8(text);
}

void FormulaSearch::search(QByteArrayView text, ReportSink &sink, Reading reading)
{
    // The matcher hands over its occurrences ordered by start; the formula
    // is read beside them, in the same text.
    class Reader final : public OccurrenceSink
    {
    public:
        Reader(FormulaSearch &search, QByteArrayView text, ReportSink &sink, Reading reading)
            : search_(search), text_(text), sink_(sink), reading_(reading), reader_(text)
        {}

        bool take(const Occurrence &occurrence) override
        {
            const qsizetype listing = search_.firstListing(occurrence.key);
            if (listing != occurrence.key)
                return true; // its first listing has reported it
            Finding finding{listing, occurrence.start, occurrence.length};
            if (reading_ != Reading::Occurrences) {
                // Every use at a finding's start is reported after the findings there.
                if (!settle(occurrence.start))
                    return false;
                finding.context =
                    reader_.contextOf(occurrence.start, occurrence.start + occurrence.length);
                if (finding.context == language::Context::Code) {
                    lastInCode_ = occurrence.start;
                    readStatements();
                }
            }
            going_ = sink_.finding(finding);
            return going_;
        }

        // Reports the uses that start before `before`.
        bool settle(qsizetype before = std::numeric_limits<qsizetype>::max())
        {
            language::Use use;
            while (going_ && reader_.nextUse(use, before)) {
                readStatements();
                going_ = sink_.used({use, use.start != lastInCode_});
            }
            return going_;
        }

        bool going() const { return going_; }

    private:
        // Only a formula with something in code costs the reading of its statements.
        void readStatements()
        {
            if (reading_ == Reading::Reach && !reach_) {
                reach_ = std::make_shared<const language::Reach>(text_.toByteArray());
                sink_.reaching(reach_);
            }
        }

        FormulaSearch &search_;
        QByteArrayView text_;
        ReportSink &sink_;
        Reading reading_;
        language::FormulaReader reader_;
        std::shared_ptr<const language::Reach> reach_;
        qsizetype lastInCode_ = -1; // where the last finding in code started
        bool going_ = true;
    } reader(*this, text, sink, reading);
    matcher_->streamInUtf8(text, reader);
    if (reading != Reading::Occurrences && reader.going())
        reader.settle();
}

} // namespace detect
