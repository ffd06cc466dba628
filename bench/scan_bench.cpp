#include "benchinputs.h"
#include "defaulttable.h"
#include "formulareader.h"
#include "keymatcher.h"
#include "matchtext.h"
#include "memoryviews.h"
#include "reach.h"
#include "reachshapes.h"
#include "report.h"
#include "scan.h"
#include "searchkey.h"

#include <benchmark/benchmark.h>

namespace {

// Scans the same input for as long as the benchmark asks.
template <auto Scan = detect::ScanFormula>
void ScanRepeatedly(benchmark::State &state, const QStringList &entries, const QString &text)
{
    MemoryKeywordList list(entries);
    const MemoryFormulaText formula(text);
    MemoryResultText result;
    for (auto _ : state)
        Scan(list, formula, result);
    state.counters["findings"] = double(result.shown.count(u'\n'));
}

void DefaultTableOverSmallFormula(benchmark::State &state)
{
    ScanRepeatedly(state, keywords::DefaultKeywordTable(), FormulaOfSize(4096));
}
BENCHMARK(DefaultTableOverSmallFormula)->Unit(benchmark::kMicrosecond);

template <auto Scan> void ManyEntriesOverLargeFormula(benchmark::State &state)
{
    ScanRepeatedly<Scan>(state, Large().entries, Large().formula);
}
BENCHMARK(ManyEntriesOverLargeFormula<detect::ScanFormula>)
    ->Name("ManyEntriesOverLargeFormula/fast")
    ->Unit(benchmark::kMillisecond);
// The scan as first written down, with the platform's own search for each
// entry: what the one pass over all keys is measured against.
void OneSearchPerEntry(detect::KeywordListView &list, const detect::FormulaTextView &formula,
                       detect::ResultTextView &result)
{
    const QString text = formula.text();
    QString lines;
    for (qsizetype i = 0; i < list.count(); ++i) {
        const detect::SearchKey key = detect::DeriveSearchKey(list.entry(i));
        if (text.indexOf(key.key, 0, Qt::CaseInsensitive) >= 0)
            lines.prepend(QStringLiteral("发现未来函数") + key.displayName +
                          QStringLiteral("!\r\n"));
    }
    result.setText(lines);
}

BENCHMARK(ManyEntriesOverLargeFormula<OneSearchPerEntry>)
    ->Name("ManyEntriesOverLargeFormula/naive")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Building the matcher for the largest list, as every scan and every file
// check does first.
void MatcherBuildAtTheLimits(benchmark::State &state)
{
    QStringList keys;
    for (const QString &entry : Large().entries)
        keys.append(detect::DeriveSearchKey(entry).key);
    for (auto _ : state)
        benchmark::DoNotOptimize(detect::KeyMatcher(keys));
}
BENCHMARK(MatcherBuildAtTheLimits)->Unit(benchmark::kMillisecond);

// One pass over UTF-8 text with a matcher built beforehand, every occurrence
// handed over in text order, as the checker takes them from a file.
void ScanUtf8(benchmark::State &state, const QStringList &entries, const QString &formula)
{
    QStringList keys;
    for (const QString &entry : entries)
        keys.append(detect::DeriveSearchKey(entry).key);
    const detect::KeyMatcher matcher(keys);
    const QByteArray text = detect::MatchableText(formula);
    struct Counter : detect::OccurrenceSink
    {
        bool take(const detect::Occurrence &) override
        {
            ++count;
            return true;
        }
        qsizetype count = 0;
    } occurrences;
    for (auto _ : state) {
        occurrences.count = 0;
        matcher.streamInUtf8(text, occurrences);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["occurrences"] = double(occurrences.count);
}

void DefaultTableOverLargeFormula(benchmark::State &state)
{
    ScanUtf8(state, keywords::DefaultKeywordTable(), FormulaOfSize(1 << 20));
}
BENCHMARK(DefaultTableOverLargeFormula)->Unit(benchmark::kMillisecond);

void ManyEntriesOverLargeFormulaOnly(benchmark::State &state)
{
    ScanUtf8(state, Large().entries, Large().formula);
}
BENCHMARK(ManyEntriesOverLargeFormulaOnly)->Unit(benchmark::kMillisecond);

// Reading the 1 MiB formula as its language does (comments, strings, names
// and Chinese), every known future function in it handed over.
void ReadFormula(benchmark::State &state)
{
    const QByteArray text = FormulaOfSize(1 << 20).toUtf8();
    qsizetype uses = 0;
    for (auto _ : state) {
        language::FormulaReader reader(text);
        language::Use use;
        uses = 0;
        while (reader.nextUse(use))
            ++uses;
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["uses"] = double(uses);
}
BENCHMARK(ReadFormula)->Unit(benchmark::kMillisecond);

// The default table's pass with every occurrence's context and what the
// list missed, as the checker's --json takes them.
void DefaultTableReadingOverLargeFormula(benchmark::State &state)
{
    const QStringList &table = keywords::DefaultKeywordTable();
    detect::FormulaSearch search(QList<QStringView>(table.cbegin(), table.cend()));
    const QByteArray text = FormulaOfSize(1 << 20).toUtf8();
    struct Counter : detect::ReportSink
    {
        bool finding(const detect::Finding &) override
        {
            ++count;
            return true;
        }
        bool used(const detect::FunctionUse &) override { return true; }
        qsizetype count = 0;
    } sink;
    for (auto _ : state)
        search.search(text, sink, detect::Reading::Contexts);
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(DefaultTableReadingOverLargeFormula)->Unit(benchmark::kMillisecond);

// Reading the statements of the 1 MiB formula and following every known
// future function in its code to the outputs it reaches, as the checker's
// --json does.
void ReachOverLargeFormula(benchmark::State &state)
{
    const QByteArray text = FormulaOfSize(1 << 20).toUtf8();
    QList<qsizetype> uses;
    language::FormulaReader reader(text);
    for (language::Use use; reader.nextUse(use);)
        uses.append(use.start);
    qsizetype reached = 0;
    for (auto _ : state) {
        const language::Reach reach(text);
        reached = 0;
        for (const qsizetype use : uses)
            reached += reach.of(use, language::Reach::kListed).outputs.size();
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["uses"] = double(uses.size());
    state.counters["reached"] = double(reached);
}
BENCHMARK(ReachOverLargeFormula)->Unit(benchmark::kMillisecond);

// The shapes of formula built to make that slow, every ZIG followed.
void ShapeOfFormula(benchmark::State &state)
{
    const ::ReachShape shape = ReachShapes()[state.range(0)];
    state.SetLabel(shape.name);
    for (auto _ : state) {
        const language::Reach reach(shape.formula);
        for (qsizetype at = shape.formula.indexOf("ZIG"); at >= 0;
             at = shape.formula.indexOf("ZIG", at + 1))
            benchmark::DoNotOptimize(reach.of(at, language::Reach::kListed));
    }
}
BENCHMARK(ShapeOfFormula)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// A keyword file of a million lines, every third a call, over the 4 KiB formula.
void MillionEntriesOverSmallFormula(benchmark::State &state)
{
    QStringList entries;
    entries.reserve(1000000);
    for (int i = 0; i < 1000000; ++i)
        entries.append(QStringLiteral("%1F%2").arg(i % 3 ? "" : "$").arg(i));
    ScanRepeatedly(state, entries, FormulaOfSize(4096));
}
BENCHMARK(MillionEntriesOverSmallFormula)->Unit(benchmark::kMillisecond);

} // namespace
