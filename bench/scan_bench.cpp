#include "defaulttable.h"
#include "memoryviews.h"
#include "naivescan.h"
#include "scan.h"

#include <benchmark/benchmark.h>

#include <QSet>

#include <random>

namespace {

// A formula as users paste them: assignments, drawing calls, Chinese names
// and comments, with a few future functions among ordinary ones.
const char16_t kFormula[] = uR"({趋势波段 主图叠加}
N:=13; M:=5; P:=8;
MA5:MA(CLOSE,5),COLORWHITE;
MA10:MA(CLOSE,10),COLORYELLOW;
MA20:MA(CLOSE,20),COLORMAGENTA;
MA60:MA(CLOSE,60),COLORGREEN,LINETHICK2;
RSV:=(CLOSE-LLV(LOW,N))/(HHV(HIGH,N)-LLV(LOW,N))*100;
K:=SMA(RSV,3,1); D:=SMA(K,3,1); J:=3*K-2*D;
DIF:=EMA(CLOSE,12)-EMA(CLOSE,26);
DEA:=EMA(DIF,9);
MACD:=(DIF-DEA)*2;
{买卖信号}
金叉:=CROSS(DIF,DEA) AND K>D AND CLOSE>MA20;
死叉:=CROSS(DEA,DIF) OR CROSS(MA20,CLOSE);
转折:=zig(3,P);
波峰:=PEAKBARS(3,P,1)=0;
STICKLINE(金叉,LOW,HIGH,2,0),COLORRED;
DRAWTEXT(金叉,LOW*0.98,'买'),COLORRED;
DRAWTEXT(死叉,HIGH*1.02,'卖'),COLORGREEN;
DRAWICON(CROSS(转折,REF(转折,1)),LOW*0.97,1);
{量能}
量比:=VOL/REF(MA(VOL,5),1);
换手:=VOL/CAPITAL*100;
放量:=VOL>2*MA(VOL,M) AND CLOSE>OPEN;
昨收:=DYNAINFO(3);
本周:=#WEEK;
BOLL:=MA(CLOSE,20); UB:=BOLL+2*STD(CLOSE,20); LB:=BOLL-2*STD(CLOSE,20);
突破:=CROSS(CLOSE,UB) AND 放量;
FILLRGN(突破,HIGH,LOW),COLOR0000FF;
ATR:=MA(MAX(MAX(HIGH-LOW,ABS(REF(CLOSE,1)-HIGH)),ABS(REF(CLOSE,1)-LOW)),14);
止损:=HHV(CLOSE,10)-2*ATR,DOTLINE,COLORBLUE;
BARSLAST(金叉)<5 AND COUNT(放量,10)>=2;
)";

// The formula repeated and cut to exactly `size` characters.
QString FormulaOfSize(qsizetype size)
{
    const QString block = QString::fromUtf16(kFormula);
    QString text;
    text.reserve(size + block.size());
    while (text.size() < size)
        text += block;
    text.truncate(size);
    return text;
}

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

// 32,767 distinct entries of 4 to 12 characters, every third a call, over a
// formula of 2^20 characters into which 300 of their keys have been mixed.
struct LargeInput
{
    QStringList entries;
    QString formula;
};

const LargeInput &Large()
{
    static const LargeInput input = [] {
        std::mt19937 random(32767);
        const auto pick = [&](int n) { return std::uniform_int_distribution<>(0, n - 1)(random); };
        const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        const QString symbols = letters + QStringLiteral("0123456789_");
        LargeInput in;
        QSet<QString> seen;
        while (in.entries.size() < 32767) {
            const bool call = pick(3) == 0;
            QString entry = call ? QStringLiteral("$") : QString();
            const int size = 4 + pick(9);
            entry += letters[pick(letters.size())];
            while (entry.size() < size)
                entry += symbols[pick(symbols.size())];
            if (!seen.contains(entry)) {
                seen.insert(entry);
                in.entries.append(entry);
            }
        }
        in.formula = FormulaOfSize(1 << 20);
        for (int i = 0; i < 300; ++i) {
            const detect::SearchKey key = detect::DeriveSearchKey(in.entries[pick(32767)]);
            const qsizetype at = pick(in.formula.size() - 32);
            // Mixed case, as users write them.
            const QString written = pick(2) ? key.key : key.key.toLower();
            in.formula.replace(at, written.size(), written);
        }
        return in;
    }();
    return input;
}

template <auto Scan> void ManyEntriesOverLargeFormula(benchmark::State &state)
{
    ScanRepeatedly<Scan>(state, Large().entries, Large().formula);
}
BENCHMARK(ManyEntriesOverLargeFormula<detect::ScanFormula>)
    ->Name("ManyEntriesOverLargeFormula/fast")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ManyEntriesOverLargeFormula<NaiveScanFormula>)
    ->Name("ManyEntriesOverLargeFormula/naive")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

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
