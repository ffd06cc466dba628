// The formula read as its language reads it: where a key's occurrence
// stands, and which known future functions the code uses.
#include "formulareader.h"
#include "futurefunctions.h"
#include "lexer.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

#include <map>

using language::Context;
using language::TokenKind;

namespace {

// Each token's text, behind a letter for its kind where the text does not tell it.
QStringList TokensOf(const QByteArray &formula, language::Lexer lexer)
{
    static const std::map<TokenKind, const char *> kinds = {
        {TokenKind::Name, "n:"},    {TokenKind::Number, "#:"},    {TokenKind::String, "s:"},
        {TokenKind::Comment, "c:"}, {TokenKind::Reference, "r:"}, {TokenKind::Period, "p:"},
        {TokenKind::Other, "?:"},
    };
    QStringList tokens;
    for (language::Token token = lexer.next(); token.kind != TokenKind::End; token = lexer.next()) {
        const auto kind = kinds.find(token.kind);
        tokens.append(QString::fromLatin1(kind == kinds.end() ? "" : kind->second) +
                      QString::fromUtf8(formula.sliced(token.start, token.end - token.start)));
    }
    return tokens;
}

TEST(Lexer, GivesEveryTokenWithItsText)
{
    const std::pair<const char *, const char *> cases[] = {
        {"X:=ZIG(C,5);", "n:X := n:ZIG ( n:C , #:5 ) ;"},
        {"买点:C>=REF(C,1)AND V<>0", "n:买点 : n:C >= n:REF ( n:C , #:1 ) n:AND n:V <> #:0"},
        {"a||b&&c!=d<=e<f>g=h*i/j+k-l",
         "n:a || n:b && n:c != n:d <= n:e < n:f > n:g = n:h * n:i / n:j + n:k - n:l"},
        {"{a{b}'s'\"KDJ.K#WEEK\"// x\r\nY", "c:{a{b} s:'s' r:\"KDJ.K#WEEK\" c:// x n:Y"},
        {"0.5+1.ZIG-5日_A", "#:0.5 + #:1 . n:ZIG - #:5日_A"},
        {"C#WEEK #5 # #中", "n:C p:#WEEK ?:# #:5 ?:# p:#中"},
        {"'open\nA \"open\rB {open", "s:'open n:A r:\"open n:B c:{open"},
        {"【箱顶】:PEAK", "?:【 n:箱顶 ?:】 : n:PEAK"},
        {"!x &y |z \xFF\xE4", "?:! n:x ?:& n:y ?:| n:z ?:\xFF ?:\xE4"},
        {"X\xE3\x80\x80:=\xC2\xA0"
         "1\t",
         "n:X := #:1"}, // ideographic and no-break spaces
    };
    for (const auto &[formula, expected] : cases) {
        EXPECT_EQ(TokensOf(formula, language::Lexer(formula)).join(u' '),
                  QString::fromUtf8(expected))
            << formula;
    }
    // In a reference, { ' and // open nothing, and the quotes are not its text.
    const QByteArray reference = "A:=\"{a'b//c\"";
    const language::Token token{TokenKind::Reference, 3, reference.size()};
    EXPECT_EQ(TokensOf(reference, language::Lexer::InsideReference(reference, token)).join(u' '),
              QStringLiteral("?:{ n:a ?:' n:b / / n:c"));
}

struct ContextCase
{
    const char *formula;
    const char *occurrence; // its first place in the formula, as written there
    Context expected;
};

void PrintTo(const ContextCase &c, std::ostream *os)
{
    *os << '"' << c.formula << "\" at \"" << c.occurrence << '"';
}

class Contexts : public ::testing::TestWithParam<ContextCase>
{};

TEST_P(Contexts, AreReadAsTheLanguageReadsThem)
{
    const ContextCase &c = GetParam();
    const QByteArray formula(c.formula);
    const qsizetype start = formula.indexOf(c.occurrence);
    ASSERT_GE(start, 0);
    language::FormulaReader reader(formula);
    EXPECT_EQ(reader.contextOf(start, start + qstrlen(c.occurrence)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, Contexts,
    ::testing::Values(ContextCase{"{旧版用过 troughbars(L,10,1)，已删}", "troughbars(",
                                  Context::Comment},
                      ContextCase{"X:COLOR00AAAA{,ALIGN1};", "ALIGN1", Context::Comment},
                      ContextCase{"X:COLOR00AAAA{,ALIGN1};", "AAAA", Context::Name},
                      ContextCase{"X:COLOR00AAAA{,ALIGN1};Y:ZIG(C,5);", "ZIG(", Context::Code},
                      ContextCase{"A:=1;{left open\r\nZIG(C,5);", "ZIG(", Context::Comment},
                      ContextCase{"{a{b}ZIG(C,5)", "ZIG(", Context::Code}, // comments do not nest
                      ContextCase{"DRAWTEXT(C>O,L,'ZIG(买')", "ZIG(", Context::String},
                      ContextCase{"DRAWTEXT(C>O,L,'买');ZIG(C,5)", "ZIG(", Context::Code},
                      ContextCase{"A:='left open\nZIG(C,5)", "ZIG(", Context::Code},
                      ContextCase{"A:='left open\rZIG(C,5)", "ZIG(", Context::Code},
                      ContextCase{"A:='left open\r\nZIG(C,5)", "ZIG(", Context::Code},
                      ContextCase{"K01:=\"KDJ.K#WEEK\";", "#WEEK", Context::Code},
                      ContextCase{"K01:=\"KDJ{.K#WEEK\";", "#WEEK", Context::Code},
                      ContextCase{"K01:=\"KDJ.K\";{#WEEK}", "#WEEK", Context::Comment},
                      ContextCase{"X:=MYDCLOSE;", "DCLOSE", Context::Name},
                      ContextCase{"X:=DCLOSE1;", "DCLOSE", Context::Name},
                      ContextCase{"X:=DCLOSE;", "CLOSE", Context::Name},
                      ContextCase{"X:=CLOSE;", "CLOSE", Context::Code},
                      ContextCase{"X:=dclose+1;", "dclose", Context::Code},
                      ContextCase{"A:=FLATZIG(C,3);", "ZIG(", Context::Name},
                      ContextCase{"A:=MYZIG(C,3);", "ZIG(", Context::Name},
                      ContextCase{"A:=C#WEEKS;", "#WEEK", Context::Name},
                      ContextCase{"波段DCLOSE:=1;", "DCLOSE", Context::Name},
                      ContextCase{"X:=DCLOSE日;", "DCLOSE", Context::Name},
                      ContextCase{"X:=DCLOSE，1;", "DCLOSE", Context::Code}, // a full-width comma
                      // Keys that reach over the edge of a comment or into a longer name.
                      ContextCase{"A B{CD}", "B{C", Context::Code},
                      ContextCase{"AB{CD}", "B{C", Context::Name},
                      ContextCase{"X:=A BC;", "A B", Context::Name},
                      ContextCase{"X:=A B;", "A B", Context::Code}));

// The functions a formula uses, each as "NAME@OFFSET".
QStringList UsesIn(const QByteArray &formula)
{
    language::FormulaReader reader(formula);
    QStringList uses;
    language::Use use;
    while (reader.nextUse(use))
        uses.append(QStringLiteral("%1@%2").arg(use.function->name).arg(use.start));
    return uses;
}

TEST(Uses, AreTheTablesFunctionsWrittenInCode)
{
    const std::pair<const char *, QStringList> cases[] = {
        {"REFX(C,5)", {"REFX@0"}},
        {"ZIG (C,5)+zig\t(c,5)", {"ZIG@0", "ZIG@10"}},
        {"X:=ZIG;ZIG\n(C,5)", {}}, // no bracket: not a call
        {"b:=currbarscount;", {"CURRBARSCOUNT@3"}},
        {"E1:=BACKSET(ISLASTBAR,2);", {"BACKSET@4", "ISLASTBAR@12"}},
        {"a1:=const(peakbars(H,15,1));", {"CONST@4", "PEAKBARS@10"}},
        {"A:=C#SEASON+H#week;", {"#SEASON@4", "#WEEK@13"}},
        {"K:=\"KDJ.K#MIN15\";", {"#MIN15@9"}},
        {"Y:=YEAR;M:=MONTH;W:=C#WEEKS;", {}}, // the date functions, and no period
        {"{REFX(C,5)} 'DHIGH' MYZIG(C,5) ZIG1(C) REF(C,5)", {}},
        {"A:=FLATZIG(C,3);", {"FLATZIG@3"}},
        {"波段:=DHIGH;波段DHIGH:=1;", {"DHIGH@8"}},
        {"{open\r\nREFX(C,1)", {}},
        {"'open\r\nREFX(C,1)", {"REFX@7"}},
    };
    for (const auto &[formula, expected] : cases)
        EXPECT_EQ(UsesIn(formula), expected) << formula;
}

TEST(Uses, AreHandedOverOnlyBeforeWhereTheScanStands)
{
    const QByteArray formula = "REFX(C,1);DHIGH;#DAY";
    language::FormulaReader reader(formula);
    language::Use use;
    ASSERT_TRUE(reader.nextUse(use, 1));
    EXPECT_EQ(use.function->name, QLatin1StringView("REFX"));
    EXPECT_FALSE(reader.nextUse(use, 10));
    EXPECT_EQ(reader.contextOf(10, 15), Context::Code);
    ASSERT_TRUE(reader.nextUse(use, 17));
    EXPECT_EQ(use, (language::Use{language::FindFutureFunction(u"DHIGH"), 10, 5}));
    ASSERT_TRUE(reader.nextUse(use));
    EXPECT_EQ(use, (language::Use{language::FindFutureFunction(u"#DAY"), 16, 4}));
    EXPECT_FALSE(reader.nextUse(use));
}

TEST(FutureFunctionTable, FindsNamesInAnyCaseAndNothingElse)
{
    EXPECT_EQ(language::FindFutureFunction(u"zig")->name, QLatin1StringView("ZIG"));
    EXPECT_EQ(language::FindFutureFunction(u"#Week")->writing, language::Writing::Period);
    for (const char16_t *safe : {u"REF", u"YEAR", u"MONTH", u"WEEK", u"FILTER", u"ZIG("})
        EXPECT_EQ(language::FindFutureFunction(safe), nullptr)
            << QString::fromUtf16(safe).toStdString();
}

// docs/future-functions.md gives users the table; it must say what the code does.
TEST(FutureFunctionTable, DocumentedAsTheCodeHasIt)
{
    QFile page(QStringLiteral(DOCS_DIR "/future-functions.md"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << qPrintable(page.errorString());
    QStringList documented;
    bool inTable = false;
    for (const QString &line : QString::fromUtf8(page.readAll()).split(u'\n')) {
        if (line.startsWith(QStringLiteral("| name | how written |")))
            inTable = true;
        else if (!line.startsWith(u'|'))
            inTable = false;
        else if (inTable && !line.startsWith(QStringLiteral("|---")))
            documented.append(line.split(QStringLiteral(" | ")).mid(0, 5).join(u'|'));
    }
    QStringList table;
    for (const language::FutureFunction &f : language::FutureFunctions()) {
        const QString name = f.name.toString();
        const QString written = f.writing == language::Writing::Call   ? "call: `" + name + "(…)`"
                                : f.writing == language::Writing::Bare ? "bare: `" + name + '`'
                                                                       : "period: `C" + name + '`';
        table.append(QStringList{"| " + name, written, QString(language::ClassId(f.futureClass)),
                                 f.why.toString(),
                                 f.instead.isEmpty() ? QStringLiteral("—") : f.instead.toString()}
                         .join(u'|'));
    }
    EXPECT_EQ(documented, table);
}

} // namespace
