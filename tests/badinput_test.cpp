// Inputs a user can hand the tool by accident or by mistake, from the file to
// the result: each must give a clear outcome, quickly, and never a crash.

#include "defaulttable.h"
#include "keywordfile.h"
#include "memoryviews.h"
#include "naivescan.h"
#include "scan.h"
#include "tempcwd.h"

#include <QElapsedTimer>

#include <cstdio>

using namespace keywords;

namespace {

const QString kFile = QStringLiteral("code.ini");
const QString kNothingFound = QStringLiteral("没有发现未来函数！");

QString Finding(const QString &name)
{
    return QStringLiteral("发现未来函数") + name + QStringLiteral("!\r\n");
}

QString Units(std::initializer_list<char16_t> units)
{
    return QString(reinterpret_cast<const QChar *>(units.begin()), qsizetype(units.size()));
}

ScanOutcome Scan(const QStringList &entries, const QString &formula)
{
    return ScanWith(detect::ScanFormula, entries, formula);
}

void ExpectResult(const ScanOutcome &outcome, const QString &expected)
{
    EXPECT_EQ(outcome.text, expected);
    EXPECT_EQ(outcome.color,
              expected == kNothingFound ? detect::kNothingFoundColor : detect::kFindingColor);
    EXPECT_EQ(outcome.selection, -1);
    EXPECT_EQ(outcome.outOfRangeSelections, 0);
}

struct FileCase
{
    const char *name;
    QByteArray bytes;
    QStringList entries;
    QString formula;
    QString result;
};

void PrintTo(const FileCase &c, std::ostream *os)
{
    *os << c.name;
}

class BadKeywordFile : public InTempDir, public ::testing::WithParamInterface<FileCase>
{};

// Through the real file into the list, then through the scan.
TEST_P(BadKeywordFile, LoadsWhatItHoldsAndScans)
{
    const FileCase &c = GetParam();
    WriteFile(kFile, c.bytes);
    ASSERT_FALSE(EnsureKeywordFile());
    EXPECT_EQ(ReadFile(kFile), c.bytes);
    QStringList entries{"kept only on failure"};
    const FileError error = LoadKeywordList(entries);
    ASSERT_FALSE(error) << error.reason.toStdString();
    EXPECT_EQ(entries, c.entries);
    ExpectResult(Scan(entries, c.formula), c.result);
}

const QChar kNul(u'\0');

INSTANTIATE_TEST_SUITE_P(
    Input, BadKeywordFile,
    ::testing::Values(
        FileCase{"Empty", "", {}, "ZIG(C,5)", kNothingFound},
        FileCase{"ByteOrderMarkOnly", "\xEF\xBB\xBF", {}, "ZIG(C,5)", kNothingFound},
        FileCase{"ByteOrderMarkAndLineEnd", "\xEF\xBB\xBF\r\n", {""}, "ZIG(C,5)", Finding("")},
        // NUL is a character like any other: it stays in its entry.
        FileCase{"NulBytes",
                 QByteArray("\0\0\r\nDVOL\r\n$Z\0G", 14),
                 {QString(2, kNul), "DVOL", QString("$Z") + kNul + "G"},
                 "DVOL+Z" + QString(kNul) + "G(1)",
                 Finding(QString("Z") + kNul + "G") + Finding("DVOL")},
        // Where NUL bytes usually come from: Notepad's "Unicode".
        FileCase{"Utf16",
                 QByteArray("\xFF\xFE$\0Z\0I\0G\0\r\0\n\0D\0\0\xD8", 18),
                 {"$ZIG", "D\uFFFD"},
                 "zig(1)",
                 Finding("ZIG")},
        // Not UTF-8, so read as GB18030; what that cannot decode is U+FFFD.
        FileCase{
            "InvalidUtf8", "$\xD6\xD0\r\nA\xFF", {"$中", "A\uFFFD"}, "x:=中(1)+a", Finding("中")},
        FileCase{"InvalidUtf8AfterByteOrderMark",
                 "\xEF\xBB\xBF$ZIG\r\nA\xFF",
                 {"$ZIG", "A\uFFFD"},
                 "zig(1)",
                 Finding("ZIG")}),
    [](const auto &info) { return std::string(info.param.name); });

// Surrogates that do not form a pair come only from the formula (the file's
// decoders never produce them); each is a code point of its own, while the
// halves of a pair are never found on their own.
TEST(BadFormula, LoneSurrogatesAreComparedAsTheyAre)
{
    const QString high = Units({0xD801});
    const QString low = Units({0xDC00});
    const QString upper = high + low;              // U+10400
    const QString lower = Units({0xD801, 0xDC28}); // U+10428
    const QStringList entries{"$ZIG", high, low, upper, "$" + lower};
    const struct
    {
        const char *name;
        QString formula;
        QString result;
    } cases[] = {
        {"lone high", "ZIG(" + high, Finding(high) + Finding("ZIG")},
        {"lone low", low + "zig(", Finding(low) + Finding("ZIG")},
        {"reversed pair", low + high, Finding(low) + Finding(high)},
        {"pair", upper, Finding(upper)},
        {"pair of the other case, called", lower + "(", Finding(lower) + Finding(upper)},
        {"pair split by a unit", high + "x" + low, Finding(low) + Finding(high)},
        {"nothing but halves", QString(600, high.front()), Finding(high)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ScanOutcome outcome = Scan(entries, c.formula);
        ExpectResult(outcome, c.result);
        EXPECT_EQ(outcome.text, ScanWith(NaiveScanFormula, entries, c.formula).text);
    }
}

// How long `work` takes. The bounds below are far above what the tool needs,
// in the sanitizer build too, and far below what one search per entry, or a
// matcher the size of a huge entry, would take.
template <typename Work> qint64 MillisecondsFor(Work work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.elapsed();
}

// A text box holds a pasted text this long; the scan passes over it once.
TEST(BadFormula, TenMebicharactersScanInOnePass)
{
    const qsizetype size = 10 * 1024 * 1024;
    QString formula(size, u'A');
    formula.replace(40000, 5, "DVOL ");
    formula.replace(size - 8, 8, "zig(1);x");
    ScanOutcome outcome;
    const qint64 ms = MillisecondsFor([&] { outcome = Scan(DefaultKeywordTable(), formula); });
    ExpectResult(outcome, Finding("DVOL") + Finding("ZIG"));
    RecordProperty("scanMs", int(ms));
    EXPECT_LT(ms, 10000);
    ExpectResult(Scan(DefaultKeywordTable(), QString(size, u'(')), kNothingFound);
}

// Keys that overlap themselves occur at every place of a long run of one
// letter, many at each: far more occurrences than characters.
TEST(BadFormula, SelfOverlappingKeysAreListedUpToTheLimit)
{
    QStringList entries;
    for (int n = 1; n <= 300; ++n)
        entries.append(QString(n, u'a'));
    ScanOutcome outcome;
    const qint64 ms = MillisecondsFor([&] { outcome = Scan(entries, QString(20000, u'A')); });
    EXPECT_EQ(outcome.findings.entries.size(), 300);
    EXPECT_EQ(outcome.findings.occurrences.size(), detect::kMaxLocated);
    EXPECT_EQ(outcome.text.count(u'\n'), 300);
    RecordProperty("scanMs", int(ms));
    EXPECT_LT(ms, 10000);
}

// Known future functions the list misses are marked as occurrences are, and
// listed up to as many.
TEST(BadFormula, MissedFunctionsAreListedUpToTheLimit)
{
    const ScanOutcome outcome =
        Scan(DefaultKeywordTable(), QStringLiteral("#DAY ").repeated(detect::kMaxLocated + 1));
    ExpectResult(outcome, kNothingFound);
    EXPECT_EQ(outcome.findings.missed.size(), detect::kMaxLocated);
}

using HugeKeywordFile = InTempDir;

TEST_F(HugeKeywordFile, FiftyMegabyteLineIsOneEntry)
{
    const qsizetype size = 50 * 1000 * 1000;
    QByteArray bytes(size, 'A');
    bytes.replace(0, 4, "$ZIG");
    WriteFile(kFile, bytes);
    QStringList entries;
    FileError error;
    const qint64 loadMs = MillisecondsFor([&] { error = LoadKeywordList(entries); });
    ASSERT_FALSE(error) << error.reason.toStdString();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.front().size(), size);
    EXPECT_TRUE(entries.front().startsWith("$ZIGAAA"));
    RecordProperty("loadMs", int(loadMs));
    EXPECT_LT(loadMs, 10000);

    // It can only occur in a formula as long; the entries around it are
    // searched as ever.
    entries = QStringList{"DVOL", entries.front(), "$ZIG"};
    ScanOutcome outcome;
    const qint64 scanMs = MillisecondsFor([&] { outcome = Scan(entries, "ZIGAAA(1)+DVOL"); });
    ExpectResult(outcome, Finding("DVOL"));
    RecordProperty("scanMs", int(scanMs));
    EXPECT_LT(scanMs, 300);
}

TEST_F(HugeKeywordFile, MillionLinesLoadInFull)
{
    const int lines = 1000000;
    QByteArray bytes;
    bytes.reserve(lines * 10);
    char line[16];
    for (int i = 0; i < lines; ++i)
        bytes.append(line, std::snprintf(line, sizeof line, "%sF%d\r\n", i % 3 ? "" : "$", i));
    WriteFile(kFile, bytes);
    QStringList entries;
    FileError error;
    const qint64 loadMs = MillisecondsFor([&] { error = LoadKeywordList(entries); });
    ASSERT_FALSE(error) << error.reason.toStdString();
    ASSERT_EQ(entries.size(), lines);
    EXPECT_EQ(entries.first(), "$F0");
    EXPECT_EQ(entries.at(32767), "F32767");
    EXPECT_EQ(entries.at(32768), "F32768");
    EXPECT_EQ(entries.last(), "$F999999");
    RecordProperty("loadMs", int(loadMs));
    EXPECT_LT(loadMs, 10000);
}

} // namespace
