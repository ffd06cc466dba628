#include "contrast.h"
#include "fakeservices.h"
#include "findingsinformula.h"
#include "fmtest.h"
#include "formulamarks.h"
#include "futurefunctions.h"
#include "tempcwd.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>

namespace {

struct Range
{
    qsizetype start;
    qsizetype length;
    bool operator==(const Range &) const = default;
};

void PrintTo(const Range &range, std::ostream *out)
{
    *out << "{" << range.start << ", " << range.length << "}";
}

using Ranges = std::vector<Range>;

TEST(MarkTint, KeepsTheFormulaTextReadable)
{
    const QColor formulaText(0x0000C0);
    QList<QColor> seen{Qt::white}; // a tint shows, and each look is its own
    for (const ui::Look look : {ui::Look::Finding, ui::Look::Aside, ui::Look::Missed}) {
        EXPECT_GE(ContrastRatio(formulaText, ui::MarkTint(look)), 4.5);
        EXPECT_FALSE(seen.contains(ui::MarkTint(look))) << ui::MarkTint(look).name().toStdString();
        seen.append(ui::MarkTint(look));
    }

    // Ratios as WCAG's own examples give them.
    const struct
    {
        QColor a, b;
        double ratio;
    } known[] = {
        {Qt::black, Qt::white, 21.0},
        {Qt::white, Qt::black, 21.0},
        {QColor(0x777777), Qt::white, 4.48},
        {QColor(0x0000C0), Qt::white, 11.92},
        {Qt::red, Qt::red, 1.0},
    };
    for (const auto &row : known)
        EXPECT_NEAR(ContrastRatio(row.a, row.b), row.ratio, 0.01) << row.a.name().toStdString();
}

// The paler tint is close to the box's white, so what does not count is
// also dotted underneath, where a key in capitals draws nothing of its own.
TEST(FormulaMarks, UnderlineWhatDoesNotCountAndNothingElse)
{
    QPlainTextEdit box;
    box.resize(300, 100);
    box.setPlainText("ZIG ZIG ZIG");
    ui::FormulaMarks marks(box);
    marks.setSpans(
        {{0, 3, 0, ui::Look::Finding}, {4, 3, 0, ui::Look::Aside}, {8, 3, 0, ui::Look::Missed}});
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    const QImage drawn = box.viewport()->grab().toImage();
    for (const ui::Look look : {ui::Look::Finding, ui::Look::Aside, ui::Look::Missed}) {
        const int start = 4 * int(look);
        QTextCursor cursor(box.document());
        cursor.setPosition(start);
        const QRect first = box.cursorRect(cursor);
        cursor.setPosition(start + 3);
        const int baseline = first.top() + box.fontMetrics().ascent();
        int marked = 0;
        for (int y = baseline + 1; y <= first.bottom(); ++y)
            for (int x = first.left() + 1; x < box.cursorRect(cursor).left(); ++x)
                marked += drawn.pixelColor(x, y) != ui::MarkTint(look);
        EXPECT_EQ(marked > 0, look == ui::Look::Aside) << int(look) << ": " << marked;
    }
}

// The window as the user meets it, with the platform faked and a keyword file
// of the test's choice.
class Marks : public InTempDir
{
protected:
    void Start(const QByteArray &keywordFile = "$ZIG\r\n$FLATZIG\r\nDCLOSE\r\n")
    {
        WriteFile("code.ini", keywordFile);
        window_ = std::make_unique<fmTest>(services_);
        window_->load();
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    void Detect(const QString &formula)
    {
        code()->setPlainText(formula);
        QTest::mouseClick(window_->btnTest, Qt::LeftButton);
    }
    QPlainTextEdit *code() const { return window_->txtCode; }

    // Every mark, also those out of view.
    Ranges Marked() const
    {
        Ranges ranges;
        for (const ui::FormulaMarks::Span &span : code()->findChild<ui::FormulaMarks *>()->spans())
            ranges.push_back({span.start, span.length});
        return ranges;
    }
    // What the box is given to paint.
    Ranges Painted() const
    {
        QCoreApplication::processEvents();
        Ranges ranges;
        for (const QTextEdit::ExtraSelection &mark : code()->extraSelections()) {
            const QColor tint = mark.format.background().color();
            EXPECT_TRUE(tint == ui::MarkTint(ui::Look::Finding) ||
                        tint == ui::MarkTint(ui::Look::Aside) ||
                        tint == ui::MarkTint(ui::Look::Missed))
                << tint.name().toStdString();
            EXPECT_FALSE(mark.format.hasProperty(QTextFormat::ForegroundBrush));
            ranges.push_back({mark.cursor.selectionStart(),
                              mark.cursor.selectionEnd() - mark.cursor.selectionStart()});
        }
        return ranges;
    }
    Range Selected() const
    {
        const QTextCursor cursor = code()->textCursor();
        return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
    }

    QPoint ResultLine(int number) const
    {
        const QTextBlock block = window_->Text1->document()->findBlockByNumber(number);
        return window_->Text1->cursorRect(QTextCursor(block)).center();
    }
    void ClickResultLine(int number)
    {
        QTest::mouseClick(window_->Text1->viewport(), Qt::LeftButton, {}, ResultLine(number));
    }
    QString ToolTipOfResultLine(int number)
    {
        QWidget *viewport = window_->Text1->viewport();
        const QPoint at = ResultLine(number);
        QHelpEvent hover(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QCoreApplication::sendEvent(viewport, &hover);
        // A hidden tip lingers a moment; an event nobody took showed none.
        return hover.isAccepted() ? QToolTip::text() : QString();
    }

    FakeServices services_;
    std::unique_ptr<fmTest> window_;
};

TEST_F(Marks, CoverEveryOccurrenceOfEveryKeyFound)
{
    const struct
    {
        const char *name;
        QString formula;
        Ranges marked;
    } cases[] = {
        {"call with its bracket, any case", "X:=zig(C,5)+ZIG(C,3);", {{3, 4}, {12, 4}}},
        {"key inside another key", "A:=FLATZIG(C,3);", {{3, 8}, {7, 4}}},
        {"keys side by side", "DCLOSEDCLOSEzig(", {{0, 6}, {6, 6}, {12, 4}}},
        {"after CR LF and CR", "A\r\nB\rZIG(", {{4, 4}}},
        {"after a surrogate pair", "𝑥ZIG(", {{2, 4}}},
        {"a name without its bracket", "ZIG FLATZIG DCLOSE", {{12, 6}}},
        {"nothing found", "MA(C,5)", {}},
    };
    Start();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Detect(c.formula);
        EXPECT_EQ(Marked(), c.marked);
        EXPECT_EQ(Painted(), c.marked);
    }
}

TEST_F(Marks, ChangeNothingElseInTheWindow)
{
    Start();
    code()->setPlainText("A:=ZIG(C,5);");
    code()->moveCursor(QTextCursor::End);
    QTest::keyClicks(code(), "B:=DCLOSE;");
    QTest::keyClick(code(), Qt::Key_Return);
    code()->undo(); // something to undo and something to redo
    ASSERT_TRUE(code()->document()->isUndoAvailable());
    ASSERT_TRUE(code()->document()->isRedoAvailable());
    ASSERT_TRUE(code()->document()->isModified());

    const QString text = code()->toPlainText();
    const QPalette palette = code()->palette();
    const int undoSteps = code()->document()->availableUndoSteps();
    const int redoSteps = code()->document()->availableRedoSteps();
    QTest::mouseClick(window_->btnTest, Qt::LeftButton);
    ASSERT_FALSE(Painted().empty());
    EXPECT_EQ(code()->toPlainText(), text);
    EXPECT_EQ(code()->palette(), palette);
    EXPECT_EQ(code()->document()->availableUndoSteps(), undoSteps);
    EXPECT_EQ(code()->document()->availableRedoSteps(), redoSteps);
    EXPECT_TRUE(code()->document()->isUndoAvailable());
    EXPECT_TRUE(code()->document()->isRedoAvailable());
    EXPECT_TRUE(code()->document()->isModified());

    const QString result = window_->Text1->toPlainText();
    ClickResultLine(0);
    EXPECT_EQ(window_->Text1->toPlainText(), result);
    EXPECT_EQ(window_->Text1->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(code()->toPlainText(), text);
    EXPECT_TRUE(code()->document()->isModified());

    // What is copied holds no trace of the marks.
    code()->selectAll();
    code()->copy();
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->text(), text);
    EXPECT_FALSE(copied->html().contains(ui::MarkTint().name(), Qt::CaseInsensitive));
}

TEST_F(Marks, FollowEditsAroundThemAndGoWithEditsOfTheirText)
{
    const QString formula = "A:=ZIG(C,5);\nB:=ZIG(C,8);"; // ZIG( at 3 and 16
    const auto typeAt = [](QPlainTextEdit *code, int position) {
        QTextCursor cursor = code->textCursor();
        cursor.setPosition(position);
        code->setTextCursor(cursor);
        QTest::keyClick(code, Qt::Key_X);
    };
    const auto click = [](QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); };
    const struct
    {
        const char *name;
        std::function<void(fmTest &, FakeServices &)> edit;
        Ranges left;
    } cases[] = {
        {"typing before both", [&](fmTest &w, auto &) { typeAt(w.txtCode, 0); }, {{4, 4}, {17, 4}}},
        {"typing inside the first", [&](fmTest &w, auto &) { typeAt(w.txtCode, 5); }, {{17, 4}}},
        {"typing right after the first",
         [&](fmTest &w, auto &) { typeAt(w.txtCode, 7); },
         {{3, 4}, {17, 4}}},
        {"deleting from the second",
         [](fmTest &w, auto &) {
             w.txtCode->moveCursor(QTextCursor::End);
             for (int i = 0; i < 6; ++i)
                 QTest::keyClick(w.txtCode, Qt::Key_Backspace);
         },
         {{3, 4}}},
        {"undoing an edit inside", // the mark does not come back
         [&](fmTest &w, auto &) {
             typeAt(w.txtCode, 18);
             w.txtCode->undo();
         },
         {{3, 4}}},
        {"paste",
         [&](fmTest &w, FakeServices &services) {
             services.clipboard = "Y:=ZIG(C,2);";
             click(w.Command5);
         },
         {}},
        {"clear", [&](fmTest &w, auto &) { click(w.Command4); }, {}},
        {"new text",
         [](fmTest &w, auto &) { w.txtCode->setPlainText(w.txtCode->toPlainText()); },
         {}},
        {"reload", [&](fmTest &w, auto &) { click(w.CMD2); }, {}},
    };
    Start();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Detect(formula);
        ASSERT_EQ(Marked(), (Ranges{{3, 4}, {16, 4}}));
        c.edit(*window_, services_);
        EXPECT_EQ(Marked(), c.left);
        EXPECT_EQ(Painted(), c.left);
        for (const Range &range : c.left)
            EXPECT_EQ(code()->toPlainText().mid(range.start, range.length), "ZIG(");
    }
}

TEST_F(Marks, FailedReloadKeepsThem)
{
    Start();
    Detect("ZIG(C,5)");
    ASSERT_TRUE(QFile::remove("code.ini"));
    QTest::mouseClick(window_->CMD2, Qt::LeftButton);
    EXPECT_EQ(Marked(), (Ranges{{0, 4}}));
}

TEST_F(Marks, OnlyThoseInViewArePaintedAndScrollingFollows)
{
    Start();
    QString formula;
    for (int i = 0; i < 3000; ++i)
        formula += "A:=ZIG(C,5);\n";
    Detect(formula);
    ASSERT_EQ(Marked().size(), 3000u);
    const Ranges top = Painted();
    ASSERT_FALSE(top.empty());
    EXPECT_LT(top.size(), 100u);
    EXPECT_EQ(top.front(), (Range{3, 4}));

    code()->verticalScrollBar()->setValue(code()->verticalScrollBar()->maximum());
    const Ranges bottom = Painted();
    ASSERT_FALSE(bottom.empty());
    EXPECT_LT(bottom.size(), 100u);
    EXPECT_EQ(bottom.back(), (Range{2999 * 13 + 3, 4}));
}

TEST_F(Marks, ClickOnAFindingLineSelectsItsOccurrencesInTurn)
{
    const struct
    {
        const char *name;
        QByteArray keywordFile;
        QString formula;
        int resultLine;
        Ranges selected; // click by click
    } cases[] = {
        {"one key, going round",
         "$ZIG\r\nDCLOSE\r\n",
         "ZIG(1)\nDCLOSE\nzig(2)" + QString(300, u'\n') + "ZIG(3)",
         1, // "发现未来函数ZIG!" stands under DCLOSE's line
         {{0, 4}, {14, 4}, {320, 4}, {0, 4}}},
        {"entries sharing a name count together",
         "$ZIG\r\nZIG\r\n",
         "ZIG(1) ZIG",
         0,
         {{0, 4}, {7, 3}, {0, 4}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.keywordFile);
        Detect(c.formula);
        const QString result = window_->Text1->toPlainText();
        for (const Range &expected : c.selected) {
            ClickResultLine(c.resultLine);
            EXPECT_EQ(Selected(), expected);
            EXPECT_TRUE(code()->viewport()->rect().intersects(code()->cursorRect()));
        }
        EXPECT_EQ(window_->Text1->toPlainText(), result);
    }
}

TEST_F(Marks, ClickElsewhereInTheResultOnlyPlacesTheCaret)
{
    Start();
    Detect("A:=ZIG(C,5);");
    const Range before = Selected();
    ClickResultLine(1); // the empty line below the findings
    EXPECT_EQ(Selected(), before);

    // A finding line the user has changed names nothing any more.
    QTextCursor cursor(window_->Text1->document());
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertText("X");
    ClickResultLine(0);
    EXPECT_EQ(Selected(), before);
    EXPECT_EQ(window_->Text1->textCursor().blockNumber(), 0);

    Detect("MA(C,5)"); // "没有发现未来函数！"
    ClickResultLine(0);
    EXPECT_EQ(Selected(), before);
    EXPECT_TRUE(ToolTipOfResultLine(0).isEmpty());
}

TEST_F(Marks, HoverOnAFindingLineTellsWhereItOccurs)
{
    QString manyLines;
    for (int i = 0; i < 25; ++i)
        manyLines += "ZIG(C,1)\r\n";
    const struct
    {
        const char *name;
        QByteArray keywordFile;
        QString formula;
        QString toolTip;
    } cases[] = {
        {"lines ended by LF, CR LF and CR", "$ZIG\r\n", "ZIG(1)\nX\r\nzig(2)\rZIG(3)ZIG(4)",
         "ZIG( 出现 4 次：第 1、3、4 行"},
        {"at most 20 lines", "$ZIG\r\n", manyLines,
         "ZIG( 出现 25 次：第 1、2、3、4、5、6、7、8、9、10、11、12、13、14、15、16、17、18、19、"
         "20、… 行"},
        {"entries sharing a name", "$ZIG\r\nZIG\r\n", "ZIG(1)\nZIG",
         "ZIG( 或 ZIG 出现 2 次：第 1、2 行"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.keywordFile);
        Detect(c.formula);
        EXPECT_EQ(ToolTipOfResultLine(0).section(u'\n', 0, 0), c.toolTip);
    }

    // Only what is still there counts.
    QTextCursor cursor(code()->document());
    cursor.insertText("\n");
    cursor.movePosition(QTextCursor::End);
    cursor.deletePreviousChar();
    EXPECT_EQ(ToolTipOfResultLine(0).section(u'\n', 0, 0), "ZIG( 或 ZIG 出现 1 次：第 2 行");
    QTest::mouseClick(window_->Command4, Qt::LeftButton);
    EXPECT_TRUE(ToolTipOfResultLine(0).isEmpty());
}

// The formula read as its language reads it: what counts and what does not,
// and what the list missed, marked, described and reached from the note.
TEST_F(Marks, TellWhereEachFindingStandsAndWhatTheListMissed)
{
    Start();
    const QString formula = "{ZIG(C)}X:=REFX(C,5)+MYDCLOSE;Y:=ZIG (C,5);\nZ:=ZIG(C,1);";
    Detect(formula);
    EXPECT_EQ(window_->Text1->toPlainText(), "发现未来函数DCLOSE!\n发现未来函数ZIG!\n");

    std::vector<std::pair<Range, ui::Look>> looks;
    for (const ui::FormulaMarks::Span &span : code()->findChild<ui::FormulaMarks *>()->spans())
        looks.push_back({{span.start, span.length}, span.look});
    const std::vector<std::pair<Range, ui::Look>> expected{{{1, 4}, ui::Look::Aside},
                                                           {{11, 4}, ui::Look::Missed},
                                                           {{23, 6}, ui::Look::Aside},
                                                           {{33, 3}, ui::Look::Missed},
                                                           {{47, 4}, ui::Look::Finding}};
    EXPECT_EQ(looks, expected);

    QPushButton *note = window_->btnMissed;
    ASSERT_TRUE(note->isVisible());
    // Whole where the font leaves room for it (not in every test font), and
    // always whole to screen readers.
    const QString whole = "另有列表漏掉的未来函数：REFX、ZIG";
    if (note->fontMetrics().horizontalAdvance(whole) < note->width() - 4)
        EXPECT_EQ(note->text(), whole);
    else
        EXPECT_TRUE(note->text().startsWith("另有列表漏掉的未来函数：RE") &&
                    note->text().endsWith(u'…'))
            << note->text().toStdString();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(note)->text(QAccessible::Name), whole);
    for (const Range expected : {Range{11, 4}, Range{33, 3}, Range{11, 4}}) {
        QTest::mouseClick(note, Qt::LeftButton);
        EXPECT_EQ(Selected(), expected);
    }

    // Long lines are wrapped for the eye; what they say is read here whole.
    const QString zig = ToolTipOfResultLine(1).remove(u'\n');
    const language::FutureFunction *zigFunction = language::FindFutureFunction(u"ZIG");
    EXPECT_TRUE(zig.contains("改写历史：" + zigFunction->why.toString())) << zig.toStdString();
    EXPECT_TRUE(zig.contains("不算调用：在注释中 1 次（第 1 行）")) << zig.toStdString();
    EXPECT_TRUE(
        ToolTipOfResultLine(0).remove(u'\n').contains("不算调用：在更长的名字中 1 次（第 1 行）"));

    // Resting on a mark: the R of REFX, then the last letter of MYDCLOSE.
    const auto toolTipAt = [&](int position) {
        QTextCursor cursor(code()->document());
        cursor.setPosition(position);
        const QRect before = code()->cursorRect(cursor);
        cursor.setPosition(position + 1);
        const QPoint at((before.left() + code()->cursorRect(cursor).left()) / 2,
                        before.center().y());
        QHelpEvent hover(QEvent::ToolTip, at, code()->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(code()->viewport(), &hover);
        return hover.isAccepted() ? QToolTip::text().remove(u'\n') : QString();
    };
    const QString refx = toolTipAt(11);
    EXPECT_TRUE(refx.startsWith("REFX（列表漏掉的未来函数）引用之后的K线：")) << refx.toStdString();
    EXPECT_TRUE(refx.contains("可改用：")) << refx.toStdString();
    EXPECT_TRUE(toolTipAt(28).startsWith("DCLOSE（在更长的名字中）"));
    EXPECT_TRUE(toolTipAt(21).isEmpty()); // the + between them
    // The G of "ZIG (", and the space after it.
    EXPECT_TRUE(toolTipAt(35).startsWith("ZIG（列表漏掉的未来函数）"));
    EXPECT_TRUE(toolTipAt(36).isEmpty());

    // Only variables: what the future functions compute is shown nowhere.
    QLabel *verdict = window_->lblVerdict;
    ASSERT_TRUE(verdict->isVisible());
    EXPECT_EQ(verdict->text(), "未来函数没有影响任何输出");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(verdict)->text(QAccessible::Name),
              "未来函数没有影响任何输出");

    // Whatever replaces the text, and a reload, take the note and the verdict away.
    for (QPushButton *button : {window_->Command5, window_->Command4, window_->CMD2}) {
        SCOPED_TRACE(button->text().toStdString());
        Detect(formula);
        ASSERT_TRUE(note->isVisible() && verdict->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(note->isVisible());
        EXPECT_FALSE(verdict->isVisible());
    }
    Detect("X:=ZIG(C,5);");
    EXPECT_FALSE(note->isVisible());
    // A long verdict is cut short to the eye, and whole in its tooltip and to screen readers.
    QString outputs = "A:=ZIG(C,5);";
    QStringList names;
    for (int i = 0; i < 400; ++i) {
        names.append(QStringLiteral("信号%1").arg(i));
        outputs += names.last() + ":A>" + QString::number(i) + ';';
    }
    Detect(outputs);
    const QString signalNames = "未来函数影响信号：" + names.join(u'、');
    EXPECT_TRUE(verdict->text().endsWith(u'…')) << verdict->text().toStdString();
    EXPECT_LE(verdict->fontMetrics().horizontalAdvance(verdict->text()), verdict->width());
    EXPECT_EQ(verdict->text(),
              verdict->fontMetrics().elidedText(signalNames, Qt::ElideRight,
                                                verdict->contentsRect().width() - 4));
    EXPECT_EQ(verdict->toolTip(), signalNames);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(verdict)->text(QAccessible::Name), signalNames);
}

// Replacing the whole text while marks are shown must not leave the document
// a dangling cursor, which later edits would write through.
TEST_F(Marks, SurviveManyReplacementsOfTheText)
{
    Start();
    for (int i = 0; i < 200; ++i) {
        Detect("A:=ZIG(C,5);\nB:=FLATZIG(C,8);\n");
        code()->setPlainText(i % 2 ? "" : "X:=ZIG(1);");
        QTest::keyClicks(code(), "ZIG(");
        code()->undo();
    }
    EXPECT_TRUE(Marked().empty());
    EXPECT_TRUE(Painted().empty());
}

} // namespace
