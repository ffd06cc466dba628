#pragma once

#include "formulamarks.h"
#include "scan.h"

#include <QObject>

class QPlainTextEdit;

// Shows where the last scan's findings stand in the formula: marks every
// occurrence, selects the next one on a click on a finding line of the
// result, and says on hover how often and on which lines it occurs.
//
// Entries sharing a display name ("$ZIG" and "ZIG") share a result line, so
// such a line stands for all their occurrences together; where two begin at
// the same place, they count once, as the longer.
class FindingsInFormula : public QObject
{
    Q_OBJECT

public:
    FindingsInFormula(QPlainTextEdit &formula, QPlainTextEdit &result, QObject *parent);

    // Marks what a scan of the formula as it is now has found.
    void show(const detect::Findings &findings);
    // Drops the marks and the findings: the result lines then do nothing.
    void forget();

    // Selects the next occurrence after the formula's selection or caret,
    // going round to the first, for a result line naming a finding.
    void jumpFrom(const QString &line);
    // "ZIG( 出现 3 次：第 12、40、41 行" for a result line naming a finding;
    // empty for any other line, or when none of its occurrences is left.
    QString describe(const QString &line) const;

private:
    struct Place
    {
        qsizetype start;
        qsizetype length;
    };
    // Where the findings named by the line occur now, ordered by start; and
    // their keys, when `keys` is given.
    QList<Place> placesOf(const QString &line, QStringList *keys = nullptr) const;

    QPlainTextEdit &formula_;
    ui::FormulaMarks *marks_;
    QList<detect::SearchKey> found_;
};
