#include "benchinputs.h"
#include "defaulttable.h"
#include "memoryviews.h"
#include "naivescan.h"
#include "scan.h"

#include <benchmark/benchmark.h>

namespace {

void DefaultTableOverSmallFormula(benchmark::State &state)
{
    MemoryKeywordList list(keywords::DefaultKeywordTable());
    const MemoryFormulaText formula(FormulaOfSize(4096));
    MemoryResultText result;
    for (auto _ : state)
        detect::ScanFormula(list, formula, result);
    state.counters["findings"] = double(result.shown.count(u'\n'));
}
BENCHMARK(DefaultTableOverSmallFormula)->Unit(benchmark::kMicrosecond);

template <auto Scan> void ManyEntriesOverLargeFormula(benchmark::State &state)
{
    MemoryKeywordList list(Large().entries);
    const MemoryFormulaText formula(Large().formula);
    MemoryResultText result;
    for (auto _ : state)
        Scan(list, formula, result);
    state.counters["findings"] = double(result.shown.count(u'\n'));
}
BENCHMARK(ManyEntriesOverLargeFormula<detect::ScanFormula>)
    ->Name("ManyEntriesOverLargeFormula/fast")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ManyEntriesOverLargeFormula<NaiveScanFormula>)
    ->Name("ManyEntriesOverLargeFormula/naive")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
