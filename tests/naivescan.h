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

// What the scan should report as found, and where, by the plain rules.
inline detect::Findings ReferenceFindings(const QStringList &entries, const FoldedText &folded)
{
    detect::Findings findings;
    QStringList keys;
    for (const QString &entry : entries) {
        const detect::SearchKey key = detect::DeriveSearchKey(entry);
        if (ReferenceContains(folded, key.key)) {
            findings.found.append(key);
            keys.append(key.key);
        }
    }
    findings.occurrences = ReferenceLocate(keys, folded);
    return findings;
}

inline detect::Findings ReferenceFindings(const QStringList &entries, const QString &formula)
{
    return ReferenceFindings(entries, Fold(formula));
}
