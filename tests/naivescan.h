#pragma once

#include "referencematch.h"
#include "scan.h"
#include "searchkey.h"
#include "views.h"

// The scan step by step as first written down: one plain case-insensitive
// search per entry, every line put in front of the text shown so far, the selection
// walking down the list. Slow, but obviously right; the fast scan must give
// the same result.
inline void NaiveScanFormula(detect::KeywordListView &list, const detect::FormulaTextView &formula,
                             detect::ResultTextView &result)
{
    result.setText(QString());
    if (list.count() > 0)
        list.setSelection(0);
    qsizetype found = 0;
    const FoldedText text = Fold(formula.text());
    for (qsizetype i = 0; i < list.count(); ++i) {
        const detect::SearchKey key = detect::DeriveSearchKey(list.entry(list.selection()));
        if (ReferenceContains(text, key.key)) {
            result.setTextColor(detect::kFindingColor);
            result.setText(QStringLiteral("发现未来函数") + key.displayName +
                           QStringLiteral("!\r\n") + result.text());
            ++found;
        }
        if (i < list.count() - 1)
            list.setSelection(list.selection() + 1);
    }
    if (found == 0) {
        result.setTextColor(detect::kNothingFoundColor);
        result.setText(QStringLiteral("没有发现未来函数！"));
    }
    list.setSelection(-1);
}

// What a scan found, as the plain rules put it: the entries found, each once
// (the first of its text) in list order; the result's lines from the top as
// indices among them; every occurrence, its key the index of its entry.
struct FoundAndWhere
{
    QList<detect::SearchKey> entries;
    QList<qsizetype> lines;
    QList<detect::Occurrence> occurrences;
    bool operator==(const FoundAndWhere &) const = default;
};

inline FoundAndWhere ReferenceFindings(const QStringList &entries, const FoldedText &folded)
{
    FoundAndWhere expected;
    QStringList found, keys;
    QList<qsizetype> entryOf;
    for (const QString &entry : entries) {
        const detect::SearchKey key = detect::DeriveSearchKey(entry);
        qsizetype index = -1;
        if (ReferenceContains(folded, key.key)) {
            index = found.indexOf(entry);
            if (index < 0) {
                index = found.size();
                found.append(entry);
                expected.entries.append(key);
                keys.append(key.key);
            }
        }
        entryOf.append(index);
    }
    for (qsizetype k = entries.size() - 1; k >= 0; --k) {
        if (entryOf[k] >= 0)
            expected.lines.append(entryOf[k]);
    }
    expected.occurrences = ReferenceLocate(keys, folded);
    return expected;
}

inline FoundAndWhere ReferenceFindings(const QStringList &entries, const QString &formula)
{
    return ReferenceFindings(entries, Fold(formula));
}

// The same of what the scan gave.
inline FoundAndWhere FoundAndWhereOf(const detect::Findings &findings)
{
    FoundAndWhere given;
    for (const detect::ReportedEntry &entry : findings.entries)
        given.entries.append(entry.key);
    given.lines = findings.lines;
    for (const detect::Findings::Occurrence &occurrence : findings.occurrences)
        given.occurrences.append({occurrence.entry, occurrence.start, occurrence.length});
    return given;
}
