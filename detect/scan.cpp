#include "scan.h"

#include "matchtext.h"

namespace detect {

QString FindingLine(const SearchKey &found)
{
    return QStringLiteral("发现未来函数") + found.displayName + u'!';
}

Findings ScanFormula(KeywordListView &list, const FormulaTextView &formula, ResultTextView &result)
{
    return Scanner().scan(list, formula, result);
}

namespace {

// Collects what a search reports, up to kMaxLocated of each, in the units of
// the text box's text.
class Collecting final : public ReportSink
{
public:
    // `entryOf` gives for each listing the index in the findings' entries.
    Collecting(QByteArrayView text, const QList<qsizetype> &entryOf, Findings &findings)
        : text_(text), units_(text), entryOf_(entryOf), findings_(findings)
    {}

    bool finding(const Finding &finding) override
    {
        if (findings_.occurrences.size() == kMaxLocated)
            return false; // beyond it, nothing is known of what stands where
        const qsizetype entry = entryOf_[finding.listing];
        // Matching code points fold to the same plane, so a key covers as
        // many units in the text as it has itself.
        findings_.occurrences.append({entry, units_.at(finding.start),
                                      findings_.entries[entry].key.key.size(), finding.context,
                                      finding.start});
        return true;
    }

    void reaching(std::shared_ptr<const language::Reach> reach) override
    {
        findings_.reach = std::make_shared<const FormulaReach>(text_, std::move(reach));
    }

    bool used(const FunctionUse &use) override
    {
        if (use.missed && findings_.missed.size() < kMaxLocated) {
            language::Use inUnits = use.use;
            inUnits.start = units_.at(use.use.start); // names are ASCII: lengths stay
            findings_.missed.append({inUnits, use.use.start});
        }
        return true;
    }

private:
    QByteArrayView text_;
    Utf16Offsets units_;
    const QList<qsizetype> &entryOf_;
    Findings &findings_;
};

} // namespace

Findings Scanner::scan(KeywordListView &list, const FormulaTextView &formula,
                       ResultTextView &result)
{
    // Nothing else runs during a scan, so the list and the formula are read
    // once, and the result is set once: the moving selection and the
    // intermediate texts could never be seen.
    const qsizetype count = list.count();
    if (count > 0)
        list.setSelection(0);

    // A key is as long as its entry ("$" gives way to "("), and one longer
    // than the text cannot occur in it. Such entries are left out, so that a
    // line of millions of characters costs nothing instead of a matcher of
    // its size at every scan.
    const QString text = formula.text();
    QStringList entries;
    entries.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        QString entry = list.entry(i);
        if (entry.size() <= text.size())
            entries.append(std::move(entry));
    }
    if (!search_ || entries != entries_) {
        entries_ = std::move(entries);
        search_ =
            std::make_unique<FormulaSearch>(QList<QStringView>(entries_.cbegin(), entries_.cend()));
        ++builds_;
    }
    FormulaSearch &search = *search_;
    const QByteArray bytes = MatchableText(text);
    const QList<bool> found = search.foundListings(bytes);

    Findings findings;
    QList<qsizetype> entryOf(found.size(), -1);
    for (qsizetype k = 0; k < found.size(); ++k) {
        if (!found[k])
            continue;
        const qsizetype first = search.firstListing(k);
        if (first == k) {
            entryOf[k] = findings.entries.size();
            findings.entries.append(search.entry(k));
        } else {
            entryOf[k] = entryOf[first];
        }
    }
    // Each finding is put in front of the earlier ones, so the last entry
    // found stands on top.
    QString lines;
    for (qsizetype k = found.size() - 1; k >= 0; --k) {
        if (found[k]) {
            lines += FindingLine(search.entry(k).key) + QStringLiteral("\r\n");
            findings.lines.append(entryOf[k]);
        }
    }
    if (lines.isEmpty()) {
        result.setTextColor(kNothingFoundColor);
        result.setText(QStringLiteral("没有发现未来函数！"));
    } else {
        result.setTextColor(kFindingColor);
        result.setText(lines);
    }
    list.setSelection(-1);

    Collecting collecting(bytes, entryOf, findings);
    search.search(bytes, collecting, Reading::Reach);
    return findings;
}

} // namespace detect
