// Arbitrary bytes as a keyword list and a formula, through the real scan and
// through one plain case-insensitive search per entry: both must give the
// same result, the same occurrences, and the same line and column for each.
//
// The input is UTF-16 little-endian: pairs of bytes make units, so lone and
// reversed surrogates occur as often as whole pairs; an odd last byte is
// dropped. LF (U+000A) splits it into lines: every line but the last is an
// entry, the last line is the formula. LF never occurs in an entry read from
// the keyword file, so the split costs nothing the scan can meet from there.
// A seed is thus a UTF-16LE text file with one entry a line and the formula
// on the last line.

#include "matchtext.h"
#include "memoryviews.h"
#include "naivescan.h"
#include "scan.h"
#include "textposition.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool holds, const char *what, const QStringList &entries, const QString &formula)
{
    if (holds)
        return;
    std::fprintf(stderr, "scan fuzz: %s (%lld entries, formula of %lld units)\n", what,
                 static_cast<long long>(entries.size()), static_cast<long long>(formula.size()));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < units.size(); ++i)
        units[i] = QChar(char16_t(data[2 * i] | data[2 * i + 1] << 8));
    QStringList entries = units.split(u'\n');
    const QString formula = entries.takeLast();

    const ScanOutcome fast = ScanWith(detect::ScanFormula, entries, formula);
    const ScanOutcome naive = ScanWith(NaiveScanFormula, entries, formula);
    Require(fast.text == naive.text, "result text differs", entries, formula);
    Require(fast.color == naive.color, "colour differs", entries, formula);
    Require(fast.selection == naive.selection, "selection differs", entries, formula);
    Require(fast.outOfRangeSelections == 0 && naive.outOfRangeSelections == 0,
            "an index the list does not hold was selected", entries, formula);

    const detect::Findings expected = ReferenceFindings(entries, formula);
    Require(fast.findings.found == expected.found, "entries found differ", entries, formula);
    Require(fast.findings.occurrences == expected.occurrences, "occurrences differ", entries,
            formula);
    const QByteArray bytes = detect::MatchableText(formula);
    detect::PositionCounter positions(bytes);
    for (const detect::Occurrence &occurrence : fast.findings.occurrences) {
        const qsizetype byte =
            detect::MatchableText(QStringView(formula).first(occurrence.start)).size();
        Require(positions.at(byte) == ReferencePosition(formula, occurrence.start),
                "line or column differs", entries, formula);
    }
    return 0;
}
