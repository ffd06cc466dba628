#include "benchinputs.h"
#include "defaulttable.h"
#include "fmtest.h"
#include "formulamarks.h"
#include "platformservices.h"

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

// A click on "检测" as the user makes it: the list and the formula are read
// from the widgets and the result is written back to the result box. With
// "changed", an entry of the list is edited before each click, so that each
// builds the matcher; otherwise every click after the first reuses it.
void DetectClickAtTheLimits(benchmark::State &state)
{
    ui::SystemServices services;
    fmTest window(services);
    window.List1->addItems(Large().entries);
    window.txtCode->setPlainText(Large().formula);
    window.show();
    const bool changed = state.range(0);
    QListWidgetItem *last = window.List1->item(window.List1->count() - 1);
    const QString entry = last->text();
    for (auto _ : state) {
        if (changed) {
            state.PauseTiming();
            last->setText(last->text() == entry ? entry + u'X' : entry);
            state.ResumeTiming();
        }
        QTest::mouseClick(window.btnTest, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    state.counters["findings"] = double(window.Text1->blockCount() - 1);
    state.counters["matcherBuilds"] = double(window.scanner().builds());
}
BENCHMARK(DetectClickAtTheLimits)
    ->ArgName("changed")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

// The default table over a formula of 100,000 lines, each calling ZIG once
// (or another formula).
class ManyOccurrences
{
public:
    explicit ManyOccurrences(
        const QString &formula = QStringLiteral("A:=ZIG(C,5);\n").repeated(100000))
        : window(services)
    {
        window.List1->addItems(keywords::DefaultKeywordTable());
        window.txtCode->setPlainText(formula);
        window.show();
    }
    void detect()
    {
        QTest::mouseClick(window.btnTest, Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    ui::SystemServices services;
    fmTest window;
};

void DetectClickWithManyOccurrences(benchmark::State &state)
{
    ManyOccurrences input;
    for (auto _ : state)
        input.detect();
}
BENCHMARK(DetectClickWithManyOccurrences)->Unit(benchmark::kMillisecond);

// What reading the formula meets at its worst: a 1 MiB formula that is one
// comment left open, every key of the list in it; and 100,000 calls the list
// misses, each marked and named in the note.
void DetectClickOnAnOpenComment(benchmark::State &state)
{
    ManyOccurrences input(u'{' + Large().formula);
    for (auto _ : state)
        input.detect();
}
BENCHMARK(DetectClickOnAnOpenComment)->Unit(benchmark::kMillisecond);

void DetectClickWithManyMissedCalls(benchmark::State &state)
{
    ManyOccurrences input(QStringLiteral("A:=REFX(C,5);\n").repeated(100000));
    for (auto _ : state)
        input.detect();
    state.counters["marks"] =
        double(input.window.txtCode->findChild<ui::FormulaMarks *>()->spans().size());
}
BENCHMARK(DetectClickWithManyMissedCalls)->Unit(benchmark::kMillisecond);

// Painting the whole formula box, marks and all, halfway down the formula;
// then the same after scrolling a page, which also hands the editor the
// marks newly in view.
void RepaintWithManyOccurrences(benchmark::State &state)
{
    ManyOccurrences input;
    input.detect();
    QScrollBar *scrollBar = input.window.txtCode->verticalScrollBar();
    scrollBar->setValue(scrollBar->maximum() / 2);
    const bool scroll = state.range(0);
    for (auto _ : state) {
        if (scroll) // down a page, and round to the top at the end
            scrollBar->setValue(scrollBar->value() < scrollBar->maximum()
                                    ? scrollBar->value() + scrollBar->pageStep()
                                    : 0);
        benchmark::DoNotOptimize(input.window.txtCode->grab());
    }
    state.counters["marksHanded"] = double(input.window.txtCode->extraSelections().size());
}
BENCHMARK(RepaintWithManyOccurrences)
    ->ArgName("scroll")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

// What handing the editor every mark would cost: it goes through all of them
// for every visible block at every paint.
void RepaintWithAllMarksHandedOver(benchmark::State &state)
{
    ManyOccurrences input;
    input.detect();
    QPlainTextEdit *code = input.window.txtCode;
    const auto *marks = code->findChild<ui::FormulaMarks *>();
    QList<QTextEdit::ExtraSelection> all;
    for (const ui::FormulaMarks::Span &span : marks->spans()) {
        QTextEdit::ExtraSelection mark;
        mark.format.setBackground(ui::MarkTint());
        mark.cursor = QTextCursor(code->document());
        mark.cursor.setPosition(int(span.start));
        mark.cursor.setPosition(int(span.start + span.length), QTextCursor::KeepAnchor);
        all.append(mark);
    }
    delete marks; // so that it hands over nothing more
    code->setExtraSelections(all);
    code->verticalScrollBar()->setValue(code->verticalScrollBar()->maximum() / 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(code->grab());
    state.counters["marksHanded"] = double(code->extraSelections().size());
}
BENCHMARK(RepaintWithAllMarksHandedOver)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
