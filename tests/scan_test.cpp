#include "defaulttable.h"
#include "memoryviews.h"
#include "naivescan.h"
#include "scan.h"
#include "searchkey.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>

using detect::kFindingColor;
using detect::kNothingFoundColor;
using detect::Rgb;

namespace {

const QString kNothingFound = QStringLiteral("没有发现未来函数！");

QString Finding(const QString &name)
{
    return QStringLiteral("发现未来函数") + name + QStringLiteral("!\r\n");
}

ScanOutcome Scan(const QStringList &entries, const QString &formula)
{
    return ScanWith(detect::ScanFormula, entries, formula);
}

struct ScanCase
{
    const char *name;
    QStringList entries;
    QString formula;
    QString expected;
};

void PrintTo(const ScanCase &c, std::ostream *os)
{
    *os << c.name;
}

const QStringList kDefault = keywords::DefaultKeywordTable();

class ScanTable : public ::testing::TestWithParam<ScanCase>
{};

TEST_P(ScanTable, GivesExactResult)
{
    const ScanCase &c = GetParam();
    const ScanOutcome outcome = Scan(c.entries, c.formula);
    EXPECT_EQ(outcome.text, c.expected);
    EXPECT_EQ(outcome.color, c.expected == kNothingFound ? kNothingFoundColor : kFindingColor);
    EXPECT_EQ(outcome.selection, -1);
    EXPECT_EQ(outcome.outOfRangeSelections, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Scan, ScanTable,
    ::testing::Values(ScanCase{"Call", kDefault, "X:=ZIG(CLOSE,5);", Finding("ZIG")},
                      // ZIG( lies inside FLATZIG(; PEAK( is not in PEAKBARS(.
                      ScanCase{"LastFoundOnTop", kDefault, "A:=FLATZIG(C,3); B:=PEAKBARS(1,5,1);",
                               Finding("FLATZIG") + Finding("PEAKBARS") + Finding("ZIG")},
                      ScanCase{"LowerCase", kDefault, "zig(c,5)", Finding("ZIG")},
                      ScanCase{"SpaceBeforeParenthesis", kDefault, "ZIG (C,5)", kNothingFound},
                      ScanCase{"BareCallName", kDefault, "ZIG+PEAK", kNothingFound},
                      ScanCase{"LiteralInsideName", kDefault, "C:=CLOSE#WEEK; D:=XDCLOSE1;",
                               Finding("DCLOSE") + Finding("#WEEK")},
                      ScanCase{"EmptyFormula", kDefault, "", kNothingFound},
                      ScanCase{"EmptyEntry", {"DVOL", ""}, "x", Finding("")},
                      ScanCase{"EmptyEntryInEmptyFormula", {""}, "", kNothingFound},
                      ScanCase{"DollarOnly", {"$"}, "MA(C,5)", Finding("")},
                      ScanCase{"DollarOnlyWithoutParenthesis", {"$"}, "C>O", kNothingFound},
                      ScanCase{"DuplicateEntry",
                               {"$ZIG", "DVOL", "$ZIG"},
                               "ZIG(C,5)",
                               Finding("ZIG") + Finding("ZIG")},
                      ScanCase{"EntrySpaceCounts", {"$ZIG ", "$ZIG"}, "ZIG (C,5)", Finding("ZIG ")},
                      ScanCase{"FoundOnceHoweverOften", {"$MA"}, "MA(C,5)+MA(C,10)", Finding("MA")},
                      ScanCase{
                          "FullWidthStaysApart", {"ZIG", "$MA"}, "ＺＩＧ+ＭＡ(", kNothingFound},
                      ScanCase{"BeyondSixteenBits",
                               {"$ZIG", "DVOL"},
                               QString(40000, u' ') + "ZIG(C,5)",
                               Finding("ZIG")},
                      ScanCase{"EmptyList", {}, "ZIG(C,5)", kNothingFound},
                      // "$ZIG" is as long as its key and the formula; "ZIG(C" is longer.
                      ScanCase{"EntriesAsLongAsTheFormulaAndLonger",
                               {"ZIG(C", "$ZIG", "zig(", "$ZIG(C"},
                               "zig(",
                               Finding("zig(") + Finding("ZIG")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ScanFormula, NeverSelectsInAnEmptyList)
{
    EXPECT_EQ(Scan({}, "ZIG(C,5)").outOfRangeSelections, 0);
    EXPECT_EQ(ScanWith(NaiveScanFormula, {}, "ZIG(C,5)").outOfRangeSelections, 0);
}

TEST(ScanFormula, ColourFollowsEachScan)
{
    MemoryKeywordList list(kDefault);
    MemoryResultText result;
    const auto scan = [&](const QString &formula) {
        MemoryFormulaText text(formula);
        detect::ScanFormula(list, text, result);
        return std::pair(result.shown, result.color);
    };
    const auto first = scan("ZIG(C,5)");
    EXPECT_EQ(first, std::pair(Finding("ZIG"), kFindingColor));
    EXPECT_EQ(scan("ZIG(C,5)"), first);
    EXPECT_EQ(scan("MA(C,5)"), std::pair(kNothingFound, kNothingFoundColor));
    EXPECT_EQ(scan("MA(C,5)"), std::pair(kNothingFound, kNothingFoundColor));
    EXPECT_EQ(scan("DVOL"), std::pair(Finding("DVOL"), kFindingColor));
}

TEST(ScanFormula, HandlesAnyNumberOfEntries)
{
    QStringList entries;
    for (int i = 0; i < 40000; ++i)
        entries.append(QStringLiteral("$F%1").arg(i));
    const ScanOutcome outcome = Scan(entries, "F39999(1)+f7(2)");
    EXPECT_EQ(outcome.text, Finding("F39999") + Finding("F7"));
}

TEST(DeriveSearchKey, SplitsCallFormEntries)
{
    const struct
    {
        QString entry, name, key;
    } cases[] = {
        {"$ZIG", "ZIG", "ZIG("},
        {"#YEAR", "#YEAR", "#YEAR"},
        {"DCLOSE", "DCLOSE", "DCLOSE"},
        {"$", "", "("},
        {"", "", ""},
        {"$ZIG ", "ZIG ", "ZIG ("},
        {"$$X", "$X", "$X("},
        {" $ZIG", " $ZIG", " $ZIG"},
        {"＄ZIG", "＄ZIG", "＄ZIG"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(detect::DeriveSearchKey(c.entry), (detect::SearchKey{c.name, c.key}))
            << c.entry.toStdString();
    }
}

// Keys and formulas from a few units that matter: letters with case pairs in
// ASCII, Greek (three sigmas) and beyond the BMP, full-width letters that
// must stay apart from their ASCII twins, and the characters the entries
// and formulas are built of.
QString RandomText(std::mt19937 &random, int maxUnits)
{
    static const QString pieces[] = {
        "a",  "A",  "b",  "B", "z", "Z", "σ",    "Σ",          "ς",          "α",    "Α",
        "ａ", "Ａ", "Ｚ", "(", "$", " ", "\r\n", "\U00010400", "\U00010428", "zig(", "ZIG(",
    };
    const int units = std::uniform_int_distribution<>(0, maxUnits)(random);
    QString text;
    while (text.size() < units)
        text += pieces[std::uniform_int_distribution<>(0, std::size(pieces) - 1)(random)];
    return text;
}

TEST(ScanFormula, AgreesWithOneSearchPerEntry)
{
    std::mt19937 random(20240611);
    const auto pick = [&](int n) { return std::uniform_int_distribution<>(0, n - 1)(random); };
    const auto started = std::chrono::steady_clock::now();
    constexpr int kCases = 100000;
    int withFindings = 0;
    for (int n = 0; n < kCases; ++n) {
        const QString formula = RandomText(random, pick(4) == 0 ? 0 : 40);
        QStringList entries;
        const int count = pick(8);
        for (int i = 0; i < count; ++i) {
            QString entry;
            switch (pick(4)) {
            case 0: // a duplicate, or an extension overlapping an earlier entry
                entry = entries.isEmpty() ? QString() : entries[pick(entries.size())];
                entry += RandomText(random, 2);
                break;
            case 1: { // a piece of the formula, so that some are found
                const qsizetype from = pick(formula.size() + 1);
                entry = formula.mid(from, pick(6));
                break;
            }
            default:
                entry = RandomText(random, 5);
            }
            if (pick(3) == 0)
                entry.prepend(u'$');
            entries.append(entry);
        }
        const ScanOutcome fast = Scan(entries, formula);
        const ScanOutcome naive = ScanWith(NaiveScanFormula, entries, formula);
        ASSERT_EQ(fast.text, naive.text) << "case " << n;
        ASSERT_EQ(fast.color, naive.color) << "case " << n;
        ASSERT_EQ(fast.selection, naive.selection) << "case " << n;
        ASSERT_EQ(FoundAndWhereOf(fast.findings), ReferenceFindings(entries, formula))
            << "case " << n;
        withFindings += fast.color == kFindingColor;
    }
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    RecordProperty("cases", kCases);
    RecordProperty("withFindings", withFindings);
    std::printf("%d cases, %d with findings, %.2f s\n", kCases, withFindings, seconds);
    // Both outcomes must be well represented, or the comparison proves little.
    EXPECT_GT(withFindings, kCases / 4);
    EXPECT_LT(withFindings, kCases * 3 / 4);
}

} // namespace
