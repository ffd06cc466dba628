// What the window makes of a scan's findings, without a window: the marks,
// which occurrences a result line stands for, and what the tooltips and the
// note say.
#include "defaulttable.h"
#include "findingsmodel.h"
#include "memoryviews.h"

#include <gtest/gtest.h>

namespace {

struct Scanned
{
    ui::FindingsModel model;
    QString formula;

    // The formula's line of a position, lines ending at CR LF, CR or LF.
    int lineOf(qsizetype position) const
    {
        int line = 1;
        for (qsizetype i = 0; i < position; ++i) {
            if (formula[i] == u'\r' || (formula[i] == u'\n' && (i == 0 || formula[i - 1] != u'\r')))
                ++line;
        }
        return line;
    }
    QString describeLine(qsizetype line) const
    {
        return model.describeLine(line, model.marks(),
                                  [this](qsizetype position) { return lineOf(position); });
    }
    QList<std::pair<qsizetype, qsizetype>> places(qsizetype line) const
    {
        QList<std::pair<qsizetype, qsizetype>> places;
        for (const ui::FindingsModel::Place &place : model.placesOfLine(line, model.marks()))
            places.append({place.start, place.length});
        return places;
    }
};

Scanned Scan(const QStringList &entries, const QString &formula)
{
    return {ui::FindingsModel(ScanWith(detect::ScanFormula, entries, formula).findings), formula};
}

TEST(FindingsModel, GroupsOccurrencesUnderTheirResultLines)
{
    // Two entries shown alike share their line; one listed twice counts once.
    const Scanned scanned =
        Scan({"$ZIG", "ZIG", "DVOL", "$ZIG"}, "X:=ZIG(C);\r\nY:=zig+DVOL;\nZ:=FLATZIG(C,1);");
    ASSERT_EQ(scanned.model.lineCount(), 4);
    EXPECT_EQ(scanned.model.lineText(1), "发现未来函数DVOL!");
    for (const qsizetype line : {0, 2, 3})
        EXPECT_EQ(scanned.places(line),
                  (QList<std::pair<qsizetype, qsizetype>>{{3, 4}, {15, 3}, {32, 4}}));
    EXPECT_EQ(scanned.describeLine(0).section(u'\n', 0, 0), "ZIG( 或 ZIG 出现 3 次：第 1、2、3 行");
    EXPECT_TRUE(scanned.describeLine(0).contains("\n不算调用：在更长的名字中 1 次（第 3 行）\n"))
        << scanned.describeLine(0).toStdString();
    EXPECT_EQ(scanned.describeLine(1).section(u'\n', 0, 0), "DVOL 出现 1 次：第 2 行");
    EXPECT_EQ(scanned.describeLine(4), QString());
}

// What does not count says where it stands; the marks say it too.
TEST(FindingsModel, TellsWhatDoesNotCountAndWhy)
{
    const Scanned scanned =
        Scan({"$ZIG", "自定义"}, "X:=ZIG(C);DRAWTEXT(1,L,'ZIG(');{ZIG(}\n自定义:=1;");
    ASSERT_EQ(scanned.model.lineCount(), 2);
    EXPECT_TRUE(scanned.describeLine(1).contains(
        "\n不算调用：在注释中 1 次（第 1 行），在字符串中 1 次（第 1 行）\n"))
        << scanned.describeLine(1).toStdString();
    QList<ui::Look> looks;
    for (const ui::FindingsModel::Span &mark : scanned.model.marks())
        looks.append(mark.look);
    EXPECT_EQ(looks, (QList<ui::Look>{ui::Look::Finding, ui::Look::Aside, ui::Look::Aside,
                                      ui::Look::Finding}));
    EXPECT_TRUE(scanned.model.describeMarks({scanned.model.marks()[1]})
                    .startsWith("ZIG（在字符串中）\n改写历史："));
    EXPECT_EQ(scanned.model.describeMarks({scanned.model.marks()[3]}),
              "自定义（在代码中）\n列表中的条目，不在已知的未来函数表中\n没有影响任何输出");
}

// Each function the list missed is named once in the note, and visited in turn.
TEST(FindingsModel, NamesWhatTheListMissedOnce)
{
    const Scanned scanned =
        Scan(keywords::DefaultKeywordTable(), "A:=REFX(C,1)+REFX(C,2);B:=ZIG(C,5)+C#DAY;");
    EXPECT_EQ(scanned.model.note(), "另有列表漏掉的未来函数：REFX、#DAY");
    QList<qsizetype> starts;
    for (const ui::FindingsModel::Place &place : scanned.model.missedPlaces(scanned.model.marks()))
        starts.append(place.start);
    EXPECT_EQ(starts, (QList<qsizetype>{3, 13, 36}));
    EXPECT_EQ(Scan(keywords::DefaultKeywordTable(), "X:=ZIG(C,5);").model.note(), QString());
}

// What the future functions in code reach, as a whole and for each line and mark.
TEST(FindingsModel, SaysWhatTheFutureFunctionsReach)
{
    const Scanned scanned = Scan({"$ZIG", "DVOL"}, "A:=ZIG(C,5);B:=A*2;\nMA1:MA(C,5);\n"
                                                   "XG:CROSS(C,B);\nL1:A,NODRAW;{ZIG(C)}");
    EXPECT_EQ(scanned.model.verdict(), "未来函数影响信号：XG");
    const QString reaches = "\n影响信号：XG（第3行，经 A、B）\n影响画线：L1（第4行，经 A）";
    EXPECT_TRUE(scanned.describeLine(0).endsWith(reaches)) << scanned.describeLine(0).toStdString();
    EXPECT_TRUE(scanned.model.describeMarks({scanned.model.marks()[0]}).endsWith(reaches));
    // An output two uses of one line reach is named once, as a signal when either way in is one.
    const auto lineReach = [](const char *formula) {
        return Scan({"$ZIG"}, formula).describeLine(0).section(u'\n', -1);
    };
    EXPECT_EQ(lineReach("A:=ZIG(C,5);B:=ZIG(C,3);L1:A+B;"), "影响画线：L1（第1行，经 A）");
    EXPECT_EQ(lineReach("A:=ZIG(C,5);B:=ZIG(C,3);DRAWTEXT(B>1,A,'x');"),
              "影响信号：DRAWTEXT（第1行，经 A）");
    // What stands in a comment reaches nothing, and says nothing of it.
    EXPECT_TRUE(scanned.model.describeMarks({scanned.model.marks()[1]}).endsWith("改变。"));

    const struct
    {
        const char *formula;
        const char *verdict;
    } verdicts[] = {
        {"A:=ZIG(C,5);DRAWTEXT(C>A,L,'买');A>1;MA1:A;", "未来函数影响信号：DRAWTEXT、第1行的输出"},
        {"A:=ZIG(C,5);MA1:A;DRAWTEXT(C>1,A,'x');", "未来函数只影响画线"},
        {"A:=ZIG(C,5);", "未来函数没有影响任何输出"},
        {"X:=MYZIG(C,5);MA1:C;", ""},
    };
    for (const auto &[formula, verdict] : verdicts)
        EXPECT_EQ(Scan({"$ZIG"}, formula).model.verdict(), verdict) << formula;
    EXPECT_EQ(Scan(keywords::DefaultKeywordTable(), "A:=REFX(C,1);XG:A>1;").model.verdict(),
              "未来函数影响信号：XG");
}

// Beyond the cap of missed functions, a later finding still has where it stands.
TEST(FindingsModel, EveryOccurrenceStandsSomewhereWhateverTheCaps)
{
    const QString formula =
        QStringLiteral("#DAY ").repeated(detect::kMaxLocated + 1) + "X:=ZIG(1);";
    const detect::Findings findings =
        ScanWith(detect::ScanFormula, keywords::DefaultKeywordTable(), formula).findings;
    EXPECT_EQ(findings.missed.size(), detect::kMaxLocated);
    ASSERT_EQ(findings.occurrences.size(), 1);
    EXPECT_EQ(findings.occurrences[0].context, language::Context::Code);
    const ui::FindingsModel model(findings);
    ASSERT_EQ(model.marks().size(), detect::kMaxLocated + 1);
    EXPECT_EQ(model.marks().back().look, ui::Look::Finding);
    EXPECT_EQ(model.marks().back().start, formula.size() - 7);
}

} // namespace
