#include "scan_judge.h"

#include "naivescan.h"
#include "referencematch.h"

ScanOutcome JudgeScan(const QStringList &entries, const QString &formula)
{
    return ScanWith(NaiveScanFormula, entries, formula);
}

QList<detect::Occurrence> JudgeOccurrences(const QStringList &keys, const QString &formula)
{
    return ReferenceLocate(keys, formula);
}

detect::TextPosition JudgePosition(const QString &formula, qsizetype offset)
{
    return ReferencePosition(formula, offset);
}
