#include "benchinputs.h"
#include "fmtest.h"
#include "platformservices.h"

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

// A click on "检测" as the user makes it: the list and the formula are read
// from the widgets and the result is written back to the result box.
void DetectClickAtTheLimits(benchmark::State &state)
{
    ui::SystemServices services;
    fmTest window(services);
    window.List1->addItems(Large().entries);
    window.txtCode->setPlainText(Large().formula);
    window.show();
    for (auto _ : state) {
        QTest::mouseClick(window.btnTest, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    state.counters["findings"] = double(window.Text1->blockCount() - 1);
}
BENCHMARK(DetectClickAtTheLimits)->Unit(benchmark::kMillisecond);

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
