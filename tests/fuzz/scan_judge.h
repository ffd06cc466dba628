#pragma once

#include "memoryviews.h"
#include "scan.h"
#include "textposition.h"

#include <QList>
#include <QString>
#include <QStringList>

// The plain rules, for fuzz_scan to judge the real scan by. They are built
// without coverage feedback, so that the fuzzer is steered by the code under
// test, and does not pay for the judge's every comparison.

ScanOutcome JudgeScan(const QStringList &entries, const QString &formula);
QList<detect::Occurrence> JudgeOccurrences(const QStringList &keys, const QString &formula);
detect::TextPosition JudgePosition(const QString &formula, qsizetype offset);
