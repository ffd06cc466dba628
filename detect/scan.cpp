#include "scan.h"

#include "keymatcher.h"
#include "matchtext.h"
#include "reading.h"
#include "searchkey.h"

namespace detect {

QString FindingLine(const SearchKey &found)
{
    return QStringLiteral("发现未来函数") + found.displayName + u'!';
}

Findings ScanFormula(KeywordListView &list, const FormulaTextView &formula, ResultTextView &result)
{
    return Scanner().scan(list, formula, result);
}

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
    if (!matcher_ || entries != entries_) {
        entries_ = std::move(entries);
        searched_.clear();
        searched_.reserve(entries_.size());
        QStringList keys;
        keys.reserve(entries_.size());
        for (const QString &entry : std::as_const(entries_)) {
            searched_.append(DeriveSearchKey(entry));
            keys.append(searched_.last().key);
        }
        matcher_ = std::make_unique<KeyMatcher>(keys);
        ++builds_;
    }
    const KeyMatcher &matcher = *matcher_;
    const QList<SearchKey> &searched = searched_;
    const qsizetype keyCount = searched.size();
    const QByteArray bytes = MatchableText(text);
    const QList<bool> found = matcher.foundInUtf8(bytes);

    // Each finding is put in front of the earlier ones, so the last entry
    // found stands on top.
    QString lines;
    for (qsizetype k = keyCount - 1; k >= 0; --k) {
        if (found[k])
            lines += FindingLine(searched[k]) + QStringLiteral("\r\n");
    }
    if (lines.isEmpty()) {
        result.setTextColor(kNothingFoundColor);
        result.setText(QStringLiteral("没有发现未来函数！"));
    } else {
        result.setTextColor(kFindingColor);
        result.setText(lines);
    }
    list.setSelection(-1);

    Findings findings;
    QList<qsizetype> findingOfKey(keyCount, -1);
    for (qsizetype k = 0; k < keyCount; ++k) {
        if (found[k]) {
            findingOfKey[k] = findings.found.size();
            findings.found.append(searched[k]);
        }
    }
    QList<Occurrence> located;
    if (!findings.found.isEmpty())
        located = matcher.locateInUtf8(bytes, kMaxLocated);

    // The formula is read beside the occurrences, in its bytes.
    struct Reading final : ReadingSink
    {
        bool found(const Occurrence &, language::Context context) override
        {
            contexts.append(context);
            return true;
        }
        bool used(const language::Use &use, bool missed) override
        {
            // Marked as the occurrences are, up to as many.
            if (missed && uses.size() == kMaxLocated)
                return false;
            if (missed)
                uses.append(use);
            return true;
        }
        QList<language::Context> contexts;
        QList<language::Use> uses;
    } read;
    read.contexts.reserve(located.size());
    FormulaReading reading(bytes, read);
    for (const Occurrence &occurrence : std::as_const(located))
        reading.take(occurrence);
    // Beyond the last one listed, the list may have found more than it says.
    reading.finish(located.size() == kMaxLocated ? located.last().start + 1
                                                 : std::numeric_limits<qsizetype>::max());

    findings.occurrences = matcher.inUtf16Units(bytes, std::move(located));
    for (Occurrence &occurrence : findings.occurrences)
        occurrence.key = findingOfKey[occurrence.key];
    findings.contexts = std::move(read.contexts);
    Utf16Offsets units(bytes);
    for (language::Use &use : read.uses)
        use.start = units.at(use.start); // names are ASCII: lengths stay
    findings.missed = std::move(read.uses);
    return findings;
}

} // namespace detect
