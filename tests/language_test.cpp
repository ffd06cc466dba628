// The formula read as its language reads it: where a key's occurrence
// stands, and which known future functions the code uses.
#include "formulareader.h"
#include "futurefunctions.h"
#include "lexer.h"
#include "reach.h"
#include "reachshapes.h"

#include <QElapsedTimer>
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
        // REF and REFV look ahead only with a negative number of bars
        {"REF(C,-1)+REFV(MA(C,5), - 2)", {"REF@0", "REFV@10"}},
        {"A:=REF(C,1)-1;B:=REF(C,N-1);REF(C,-N)", {}},
        {"REF(C{;)},-1)+REF(C;-1)", {"REF@0"}},
    };
    for (const auto &[formula, expected] : cases)
        EXPECT_EQ(UsesIn(formula), expected) << formula;
}

TEST(Uses, AreFoundWhereverTheReadingsBlocksCutThem)
{
    for (int pad = 0; pad < 64; ++pad) {
        const QByteArray formula =
            QByteArray(pad, ' ') + QByteArray("A:=REFX(C,5);\n").repeated(50);
        EXPECT_EQ(UsesIn(formula).size(), 50) << pad;
    }
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
                                : f.writing == language::Writing::Period
                                    ? "period: `C" + name + '`'
                                    : "call with a negative period: `" + name + "(X,-N)`";
        table.append(QStringList{"| " + name, written, QString(language::ClassId(f.futureClass)),
                                 f.why.toString(),
                                 f.instead.isEmpty() ? QStringLiteral("—") : f.instead.toString()}
                         .join(u'|'));
    }
    EXPECT_EQ(documented, table);
}

} // namespace

namespace {

// What a use reaches, each output as NAME:KIND, with "<via" and the names on
// the way; an unnamed output by its drawing, or as "#" and its index.
QStringList Reaches(const QByteArray &formula, const char *use)
{
    const language::Reach reach(formula);
    const qsizetype at = formula.indexOf(use);
    EXPECT_GE(at, 0) << use;
    const language::Reach::OfUse of = reach.of(at, language::Reach::kListed);
    QStringList outputs;
    for (const language::Reach::Output &output : of.outputs) {
        const language::Statement &statement = reach.statements()[output.statement];
        QString text = !statement.nameBytes.isEmpty() ? statement.name()
                       : !statement.drawing.isEmpty() ? QString(statement.drawing)
                                                      : u'#' + QString::number(output.statement);
        text += output.kind == language::Kind::Signal ? QStringLiteral(":signal")
                                                      : QStringLiteral(":line");
        const QStringList via = reach.via(of.statement, output.statement, 100);
        if (!via.isEmpty())
            text += u'<' + via.join(u',');
        outputs.append(text);
    }
    EXPECT_EQ(of.signal, outputs.join(' ').contains(":signal")) << formula.toStdString();
    EXPECT_EQ(of.any, !outputs.isEmpty()) << formula.toStdString();
    return outputs;
}

TEST(Reach, FollowsDefinitionsToTheOutputsAndTellsSignalsFromLines)
{
    const struct
    {
        const char *what;
        const char *formula;
        const char *use;
        const char *expected;
    } cases[] = {
        {"an output line", "MA1:ZIG(C,5);", "ZIG", "MA1:line"},
        {"a variable is not shown", "A:=ZIG(C,5);B:=C;", "ZIG", ""},
        {"through variables to a selection", "A:=ZIG(C,5);B:=A*2;XG:B>C;", "ZIG", "XG:signal<A,B"},
        {"a condition at the top, unnamed", "W:=ZIG(C,5);COUNT(W>REF(W,1),1)>0;", "ZIG",
         "#1:signal<W"},
        {"= compares", "A:=ZIG(C,5);A=1;", "ZIG", "#1:signal<A"},
        {"a condition function at the top", "A:=ZIG(C,5);CROSS(C,A),COLORRED;", "ZIG",
         "#1:signal<A"},
        {"NOT at the top", "A:=ZIG(C,5);X:NOT(A>1);Y:NOT A+1;", "ZIG", "X:signal<A Y:line<A"},
        {"brackets around a condition", "A:=ZIG(C,5);X:((A>1));Y:(A)+1;", "ZIG",
         "X:signal<A Y:line<A"},
        {"a drawing's condition and its price",
         "A:=ZIG(C,5);DRAWTEXT(C>A,L,'买');DRAWTEXT(C>O,A,'卖');", "ZIG",
         "DRAWTEXT:signal<A DRAWTEXT:line<A"},
        {"a drawing at a fixed place", "A:=ZIG(C,5);DRAWTEXT_FIX(ISLASTBAR AND A>1,0,0,0,'x');",
         "ZIG", "DRAWTEXT_FIX:line<A"},
        {"DRAWLINE's conditions, PARTLINE's colours",
         "A:=ZIG(C,5);DRAWLINE(C>1,H,A>1,L,0);PARTLINE(A,C>1,1);PARTLINE(C,A>1,1);", "ZIG",
         "DRAWLINE:signal<A PARTLINE:line<A PARTLINE:signal<A"},
        {"a trading system", "B:=BACKSET(C>O,2);ENTERLONG:B;exitlong:NOT(B);", "BACKSET",
         "ENTERLONG:signal<B exitlong:signal<B"},
        {"an alert", "M:ZIG(C,5),COLORRED,PLAYSOUND3;", "ZIG", "M:signal"},
        {"a hidden line", "H:ZIG(C,5),NODRAW;", "ZIG", "H:line"},
        {"the latest definition before", "A:=ZIG(C,5);X:A;A:=C;Y:A;", "ZIG", "X:line<A"},
        {"names in any case", "a:=zig(c,5);xg:A>1;", "zig", "xg:signal<a"},
        {"another formula's output", "KDJ:=ZIG(C,5);X:KDJ.K;Y:KDJ#WEEK;", "ZIG", "Y:line<KDJ"},
        {"a call is no reference", "MA:=ZIG(C,5);X:MA(C,5);", "ZIG", ""},
        {"a broken statement still refers", "A:=ZIG(C,5;XG:A>1;", "ZIG", "XG:signal<A"},
        {"a name of several tokens", "【箱顶】:=PEAK(H,5,1);XG:C>【箱顶】;", "PEAK",
         "XG:signal<【箱顶】"},
        {"Chinese names, comments between", "买点:=ZIG(C,5){注};{XG}信号:买点>1;", "ZIG",
         "信号:signal<买点"},
        {"a signal by any way in", "A:=ZIG(C,5);X:A;Y:X+A;XG:X>1;", "ZIG",
         "X:line<A Y:line<A XG:signal<A,X"},
        {"DRAWLINE itself draws", "DRAWLINE(C>O,H,C<O,L,0);", "DRAWLINE", "DRAWLINE:line"},
        {"the last statement needs no ;", "A:=ZIG(C,5);XG:A>1", "ZIG", "XG:signal<A"},
        {"a ; ends a statement in any bracket", "A:=ZIG((C;XG:A>1;", "ZIG", "XG:signal<A"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Reaches(c.formula, c.use).join(u' '), QString::fromUtf8(c.expected)) << c.what;
    }
}

TEST(Reach, ListsTheFirstOutputsAndCountsTheRest)
{
    QByteArray formula = "A:=ZIG(C,5);";
    for (int i = 0; i < 30; ++i)
        formula += "O" + QByteArray::number(i) + ":A>" + QByteArray::number(i) + ";";
    // A chain of single references, and a variable two outputs share.
    formula += "B:=A;C1:=B;D:B+C1;";
    const language::Reach reach(formula);
    const language::Reach::OfUse use = reach.of(formula.indexOf("ZIG"), 20);
    ASSERT_EQ(use.outputs.size(), 20);
    EXPECT_EQ(use.outputs.front().statement, 1);
    EXPECT_EQ(use.more, 11);
    EXPECT_EQ(reach.of(formula.indexOf("B:=A"), 1).more, 0);
    EXPECT_EQ(reach.of(formula.indexOf("A>7"), 20).outputs,
              (QList<language::Reach::Output>{{8, language::Kind::Signal}}));
}

TEST(Reach, GivesAFormulaItsVerdict)
{
    const auto verdict = [](const QByteArray &formula, const QList<qsizetype> &uses) {
        const language::Reach reach(formula);
        language::VerdictTally tally;
        for (const qsizetype use : uses)
            tally.add(reach.of(use, 1));
        return QString(language::VerdictId(tally.verdict()));
    };
    EXPECT_EQ(verdict("A:=ZIG(C,5);XG:A>1;", {3}), "signal");
    EXPECT_EQ(verdict("A:=ZIG(C,5);MA1:A;", {3}), "line");
    EXPECT_EQ(verdict("A:=ZIG(C,5);", {3}), "unused");
    EXPECT_EQ(verdict("MA1:C;", {}), "none");
    // Which outputs all uses reach, and how.
    const QByteArray formula = "A:=ZIG(C,5);B:=REFX(C,1);X:A;XG:B>1;Y:C;";
    const language::Reach reach(formula);
    using R = language::Reach::Reached;
    EXPECT_EQ(reach.reachedFrom({3, 15}),
              (std::vector<R>{R::No, R::No, R::Line, R::Signal, R::No}));
}

} // namespace

namespace {

// No shape of a formula makes reading or reaching slow: every statement and
// every use, in bounds far beyond what they take and far below a square of
// the text.
TEST(Reach, NoShapeOfFormulaMakesItSlow)
{
    for (const ReachShape &shape : ReachShapes()) {
        SCOPED_TRACE(shape.name);
        QElapsedTimer clock;
        clock.start();
        const language::Reach reach(shape.formula);
        qsizetype uses = 0, signalUses = 0, outputs = 0;
        for (qsizetype at = shape.formula.indexOf("ZIG"); at >= 0;
             at = shape.formula.indexOf("ZIG", at + 1)) {
            const language::Reach::OfUse use = reach.of(at, language::Reach::kListed);
            ++uses;
            signalUses += use.signal;
            outputs = std::max(outputs, use.outputs.size() + use.more);
        }
        const qint64 ms = clock.elapsed();
        RecordProperty(shape.name, int(ms));
        EXPECT_LT(ms, 5000);
        EXPECT_GT(uses, 0);
        EXPECT_GT(signalUses + outputs, 0);
        EXPECT_GE(outputs, 1);
    }
    // What they reach is right too: the end of the chain, through all of it.
    const QList<ReachShape> shapes = ReachShapes();
    const language::Reach chain(shapes[1].formula);
    const language::Reach::OfUse start = chain.of(shapes[1].formula.indexOf("ZIG"), 20);
    ASSERT_EQ(start.outputs.size(), 1);
    qsizetype more = 0;
    const QStringList via = chain.via(start.statement, start.outputs[0].statement, 20, &more);
    EXPECT_EQ(via.mid(0, 2), (QStringList{"V0", "V1"}));
    EXPECT_EQ(via.size() + more, 100001);
    const language::Reach fan(shapes[2].formula);
    EXPECT_EQ(fan.of(shapes[2].formula.indexOf("ZIG"), 20).more, 100000 - 20);
    const language::Reach redefined(shapes[4].formula);
    EXPECT_EQ(redefined.of(shapes[4].formula.indexOf("ZIG"), 20).outputs.size(), 1);
}

} // namespace
