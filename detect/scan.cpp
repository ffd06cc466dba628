#include "scan.h"

#include "keymatcher.h"
#include "searchkey.h"

namespace detect {

void ScanFormula(KeywordListView &list, const FormulaTextView &formula, ResultTextView &result)
{
    // Nothing else runs during a scan, so the list and the formula are read
    // once, and the result is set once: the moving selection and the
    // intermediate texts could never be seen.
    const qsizetype count = list.count();
    if (count > 0)
        list.setSelection(0);

    QList<SearchKey> entries;
    QStringList keys;
    entries.reserve(count);
    keys.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        entries.append(DeriveSearchKey(list.entry(i)));
        keys.append(entries.last().key);
    }
    const QList<bool> found = KeyMatcher(keys).occurrences(formula.text());

    // Each finding is put in front of the earlier ones, so the last entry
    // found stands on top.
    QString findings;
    for (qsizetype i = count - 1; i >= 0; --i) {
        if (found[i])
            findings +=
                QStringLiteral("发现未来函数") + entries[i].displayName + QStringLiteral("!\r\n");
    }
    if (findings.isEmpty()) {
        result.setTextColor(kNothingFoundColor);
        result.setText(QStringLiteral("没有发现未来函数！"));
    } else {
        result.setTextColor(kFindingColor);
        result.setText(findings);
    }
    list.setSelection(-1);
}

} // namespace detect
