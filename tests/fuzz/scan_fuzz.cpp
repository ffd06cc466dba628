// Arbitrary bytes as a keyword list and a formula, through the real scan and
// through one plain case-insensitive search per entry: both must give the
// same result and the same occurrences; and the checker's pass over the
// formula as UTF-8 must give the same occurrences in the same order, with
// the same line and column for each.
//
// The input is UTF-16 little-endian: pairs of bytes make units, so lone and
// reversed surrogates occur as often as whole pairs; an odd last byte is
// dropped. An input whose first byte is 0xFF is read a byte a unit instead,
// ASCII as it is and the other bytes as units that stress folding and
// UTF-8 (see kBeyondAscii), so that formulas are mostly ASCII, as real ones
// are, and long enough for the start filter's blocks.
//
// LF (U+000A) splits the units into lines: every line but the last is an
// entry, the last line is the formula. LF never occurs in an entry read from
// the keyword file, so the split costs nothing the scan can meet from there.
// A seed is thus a UTF-16LE text file with one entry a line and the formula
// on the last line, or 0xFF and the same in ASCII.

#include "keymatcher.h"
#include "matchtext.h"
#include "memoryviews.h"
#include "naivescan.h"
#include "scan.h"
#include "scan_judge.h"
#include "textposition.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Kelvin sign, long s, sigmas, a Chinese character, halves of pairs, full
// width letters, dotted and dotless i, the ends of the UTF-8 lengths, and
// case pairs whose UTF-8 lengths differ.
const char16_t kBeyondAscii[] = {
    0x212A, 0x017F, 0x03C3, 0x03C2, 0x03A3, 0x4E2D, 0xD801, 0xDC00, 0xDC28, 0xD83D, 0xDFFF,
    0xFF21, 0xFF41, 0x0130, 0x0131, 0xFFFD, 0x0080, 0x07FF, 0x0800, 0xE000, 0xFFFF, 0x00DF,
    0x1E9E, 0x023A, 0x2C65, 0x00C5, 0x212B, 0x00B5, 0x03BC, 0x0345, 0x1F88, 0x2126,
};

QString Units(const std::uint8_t *data, std::size_t size)
{
    if (size > 0 && data[0] == 0xFF) {
        QString units(qsizetype(size - 1), Qt::Uninitialized);
        for (qsizetype i = 0; i < units.size(); ++i) {
            const std::uint8_t byte = data[i + 1];
            units[i] =
                QChar(byte < 0x80 ? char16_t(byte) : kBeyondAscii[byte % std::size(kBeyondAscii)]);
        }
        return units;
    }
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < units.size(); ++i)
        units[i] = QChar(char16_t(data[2 * i] | data[2 * i + 1] << 8));
    return units;
}

void Require(bool holds, const char *what, const QStringList &entries, const QString &formula)
{
    if (holds)
        return;
    std::fprintf(stderr, "scan fuzz: %s (%lld entries, formula of %lld units)\n", what,
                 static_cast<long long>(entries.size()), static_cast<long long>(formula.size()));
    std::abort();
}

// Takes what the checker's pass hands over.
struct Collected final : detect::OccurrenceSink
{
    bool take(const detect::Occurrence &occurrence) override
    {
        occurrences.append(occurrence);
        return true;
    }
    QList<detect::Occurrence> occurrences;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QStringList entries = Units(data, size).split(u'\n');
    const QString formula = entries.takeLast();

    const ScanOutcome fast = ScanWith(detect::ScanFormula, entries, formula);
    const ScanOutcome naive = JudgeScan(entries, formula);
    Require(fast.text == naive.text, "result text differs", entries, formula);
    Require(fast.color == naive.color, "colour differs", entries, formula);
    Require(fast.selection == naive.selection, "selection differs", entries, formula);
    Require(fast.outOfRangeSelections == 0 && naive.outOfRangeSelections == 0,
            "an index the list does not hold was selected", entries, formula);

    // The plain rules, once for every entry's key.
    QStringList keys;
    for (const QString &entry : entries)
        keys.append(detect::DeriveSearchKey(entry).key);
    const QList<detect::Occurrence> expected = JudgeOccurrences(keys, formula);

    // The window's scan: the entries found, each once, in list order, the
    // result's lines, and where their keys occur.
    FoundAndWhere found;
    QStringList foundEntries;
    QList<qsizetype> entryOf(keys.size(), -1);
    for (const detect::Occurrence &occurrence : expected)
        entryOf[occurrence.key] = 0;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        if (entryOf[k] < 0)
            continue;
        entryOf[k] = foundEntries.indexOf(entries[k]);
        if (entryOf[k] < 0) {
            entryOf[k] = foundEntries.size();
            foundEntries.append(entries[k]);
            found.entries.append(detect::DeriveSearchKey(entries[k]));
        }
    }
    for (qsizetype k = keys.size() - 1; k >= 0; --k) {
        if (entryOf[k] >= 0)
            found.lines.append(entryOf[k]);
    }
    for (const detect::Occurrence &occurrence : expected) {
        if (foundEntries.indexOf(entries[occurrence.key]) == entryOf[occurrence.key] &&
            entries.indexOf(entries[occurrence.key]) == occurrence.key)
            found.occurrences.append(
                {entryOf[occurrence.key], occurrence.start, occurrence.length});
    }
    Require(FoundAndWhereOf(fast.findings) == found, "findings differ", entries, formula);

    // The checker's way: every entry's key, over the formula's UTF-8, each
    // occurrence handed over as it is found, its place counted in bytes.
    const QByteArray bytes = detect::MatchableText(formula);
    const detect::KeyMatcher matcher(keys);
    Collected streamed;
    matcher.streamInUtf8(bytes, streamed);
    const QList<detect::Occurrence> inUnits = matcher.inUtf16Units(bytes, streamed.occurrences);
    Require(inUnits == expected, "streamed occurrences differ", entries, formula);
    // Each position costs a walk from the start, so some are sampled.
    detect::PositionCounter positions(bytes);
    const qsizetype step = 1 + streamed.occurrences.size() / 8;
    for (qsizetype i = 0; i < streamed.occurrences.size(); i += step) {
        Require(positions.at(streamed.occurrences[i].start) ==
                    JudgePosition(formula, inUnits[i].start),
                "line or column differs", entries, formula);
    }
    return 0;
}
