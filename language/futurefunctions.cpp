#include "futurefunctions.h"

#include <array>
#include <vector>

namespace language {

namespace {

using enum Writing;
using enum FutureClass;

// The sentences are the project's own, drawn from the language's help texts
// and from tutorials (docs/future-functions.md names them).
constexpr std::array kTable = {
    // The zigzag and what is read off it: the newest turn stands only once
    // the price has moved far enough back, so the last leg is redrawn.
    FutureFunction{QLatin1StringView("ZIG"), Call, Redraws,
                   u"之字转向的最后一个转折点要等价格反向走出足够幅度才确定，在那之前已画出的线会随"
                   u"新K线改变。",
                   u""},
    FutureFunction{QLatin1StringView("ZIGA"), Call, Redraws,
                   u"按绝对幅度的之字转向，与 ZIG 一样，最新的转折点确定之前，过去的线会改画。",
                   u""},
    FutureFunction{QLatin1StringView("FLATZIG"), Call, Redraws,
                   u"之字转向的一种，转折点同样要由之后的K线确认，已画出的值会改变。", u""},
    FutureFunction{QLatin1StringView("FLATZIGA"), Call, Redraws,
                   u"按绝对幅度的 FLATZIG，转折点要由之后的K线确认，已画出的值会改变。", u""},
    FutureFunction{QLatin1StringView("PEAK"), Call, Redraws,
                   u"之字转向的波峰值：最新的波峰在确认之前还会移动，过去K线上的值随之改变。", u""},
    FutureFunction{QLatin1StringView("PEAKA"), Call, Redraws,
                   u"按绝对幅度的 PEAK：最新的波峰确认之前，过去K线上的值会改变。", u""},
    FutureFunction{QLatin1StringView("PEAKBARS"), Call, Redraws,
                   u"到之字转向波峰的周期数：最新的波峰确认之前，过去K线上的值会改变。", u""},
    FutureFunction{QLatin1StringView("PEAKBARSA"), Call, Redraws,
                   u"按绝对幅度的 PEAKBARS：最新的波峰确认之前，过去K线上的值会改变。", u""},
    FutureFunction{QLatin1StringView("TROUGH"), Call, Redraws,
                   u"之字转向的波谷值：最新的波谷在确认之前还会移动，过去K线上的值随之改变。", u""},
    FutureFunction{QLatin1StringView("TROUGHA"), Call, Redraws,
                   u"按绝对幅度的 TROUGH：最新的波谷确认之前，过去K线上的值会改变。", u""},
    FutureFunction{QLatin1StringView("TROUGHBARS"), Call, Redraws,
                   u"到之字转向波谷的周期数：最新的波谷确认之前，过去K线上的值会改变。", u""},
    FutureFunction{QLatin1StringView("TROUGHBARSA"), Call, Redraws,
                   u"按绝对幅度的 TROUGHBARS：最新的波谷确认之前，过去K线上的值会改变。", u""},
    FutureFunction{QLatin1StringView("BACKSET"), Call, Redraws,
                   u"条件成立时把它之前的N根K线也改成1，信号是事后补写到过去K线上的。", u""},
    FutureFunction{QLatin1StringView("FFT"), Call, Redraws,
                   u"傅里叶变换按全部数据拟合，每来一根新K线整条曲线都会重算。", u""},
    // A segment is drawn over past bars only once a later bar meets its
    // second condition; it draws, so it reaches its own statement as a line.
    FutureFunction{QLatin1StringView("DRAWLINE"), Call, Redraws,
                   u"直线段要等之后出现第二个条件成立的K线才画出，已画出的历史线段会随新K线改变。",
                   u""},
    FutureFunction{QLatin1StringView("FILTERX"), Call, Redraws,
                   u"每出现一次信号就把它之前N根K线上的信号清零，后来的信号会抹掉已显示的信号。",
                   u"FILTER(X,N)，只过滤之后的信号"},
    // Prices of an indefinite period, cut where a zigzag of the close turns.
    FutureFunction{
        QLatin1StringView("DOPEN"), Bare, Redraws,
        u"不定周期的开盘价：周期由收盘价的之字转向划分，要等这一段走完才知道，已有的值会改变。",
        u"REF(OPEN,BARSLAST(X))，按已知的条件X划分"},
    FutureFunction{
        QLatin1StringView("DHIGH"), Bare, Redraws,
        u"不定周期的最高价：周期由收盘价的之字转向划分，要等这一段走完才知道，已有的值会改变。",
        u"HHV(HIGH,BARSLAST(X)+1)，按已知的条件X划分"},
    FutureFunction{
        QLatin1StringView("DLOW"), Bare, Redraws,
        u"不定周期的最低价：周期由收盘价的之字转向划分，要等这一段走完才知道，已有的值会改变。",
        u"LLV(LOW,BARSLAST(X)+1)，按已知的条件X划分"},
    FutureFunction{
        QLatin1StringView("DCLOSE"), Bare, Redraws,
        u"不定周期的收盘价：周期由收盘价的之字转向划分，要等这一段走完才知道，已有的值会改变。",
        u""},
    FutureFunction{
        QLatin1StringView("DVOL"), Bare, Redraws,
        u"不定周期的成交量：周期由收盘价的之字转向划分，要等这一段走完才知道，已有的值会改变。",
        u"SUM(VOL,BARSLAST(X)+1)，按已知的条件X划分"},

    FutureFunction{QLatin1StringView("REFX"), Call, LaterBars,
                   u"取N个周期之后的数据，在当时那些K线还没有出现。",
                   u"REF(X,N)，取N个周期之前的数据"},
    FutureFunction{QLatin1StringView("REFXV"), Call, LaterBars,
                   u"与 REFX 一样取之后K线上的数据，在当时还不知道。",
                   u"REF(X,N)，取N个周期之前的数据"},
    FutureFunction{QLatin1StringView("BARSNEXT"), Call, LaterBars,
                   u"到下一次条件成立还有几个周期，要看之后的K线才知道。",
                   u"BARSLAST(X)，上一次成立到现在的周期数"},
    FutureFunction{QLatin1StringView("XMA"), Call, LaterBars,
                   u"偏移移动平均，用到当前K线之后约N/2根K线的数据，最近几根K线的值会随新K线改变。",
                   u"MA(X,N)，只用当前及之前的K线"},
    // The language defines REF and REFV as looking back only; a negative
    // period reaches forward where the language takes it at all.
    FutureFunction{QLatin1StringView("REF"), NegativePeriod, LaterBars,
                   u"周期写成负数时向后取数，用到的是当时还没有出现的K线；这个函数本来只向前引用。",
                   u"REF(X,N)，N为正数，取N个周期之前的数据"},
    FutureFunction{QLatin1StringView("REFV"), NegativePeriod, LaterBars,
                   u"与 REF 一样，周期写成负数时向后取数，用到当时还没有出现的K线。",
                   u"REFV(X,N)，N为正数"},

    // Chip distribution is estimated with today's float, so history drifts.
    FutureFunction{
        QLatin1StringView("WINNER"), Call, UnknownThen,
        u"获利盘比例由筹码分布估算，所用的流通股本等数据在当时未必已知，过去K线上的值会随之改变。",
        u""},
    FutureFunction{
        QLatin1StringView("LWINNER"), Call, UnknownThen,
        u"近期获利盘比例同样由筹码分布估算，所用的数据在当时未必已知，过去K线上的值会随之改变。",
        u""},
    FutureFunction{
        QLatin1StringView("COST"), Call, UnknownThen,
        u"成本分布由筹码分布估算，所用的流通股本等数据在当时未必已知，过去K线上的值会随之改变。",
        u""},
    FutureFunction{
        QLatin1StringView("COSTEX"), Call, UnknownThen,
        u"区间成本由筹码分布估算，所用的流通股本等数据在当时未必已知，过去K线上的值会随之改变。",
        u""},
    FutureFunction{
        QLatin1StringView("PWINNER"), Call, UnknownThen,
        u"远期获利盘比例由筹码分布估算，所用的数据在当时未必已知，过去K线上的值会随之改变。", u""},
    FutureFunction{
        QLatin1StringView("PPART"), Call, UnknownThen,
        u"远期成本分布比例由筹码分布估算，所用的数据在当时未必已知，过去K线上的值会随之改变。",
        u""},
    FutureFunction{QLatin1StringView("DYNAINFO"), Call, UnknownThen,
                   u"取最新的行情快照，每根历史K线上用的都是今天的数据。",
                   u"CLOSE、VOL 等按周期的行情数据"},
    FutureFunction{QLatin1StringView("FINANCE"), Call, UnknownThen,
                   u"取最新一期的财务数据，每根历史K线上用的都是现在的数值。", u""},
    FutureFunction{QLatin1StringView("FINANCE2"), Call, UnknownThen,
                   u"与 FINANCE 一样取最新的财务数据，每根历史K线上用的都是现在的数值。", u""},
    // One report period's or day's figure on every bar, earlier bars too.
    FutureFunction{
        QLatin1StringView("FINONE"), Call, UnknownThen,
        u"取指定一期的财务数据，每根K线上都是同一个值，更早的K线用到了当时还没公布的数据。", u""},
    FutureFunction{
        QLatin1StringView("GPJYONE"), Call, UnknownThen,
        u"取指定日期的个股交易数据，每根K线上都是同一个值，更早的K线用到了当时还不知道的数据。",
        u""},
    FutureFunction{
        QLatin1StringView("SCJYONE"), Call, UnknownThen,
        u"取指定日期的市场交易数据，每根K线上都是同一个值，更早的K线用到了当时还不知道的数据。",
        u""},
    FutureFunction{
        QLatin1StringView("BKJYONE"), Call, UnknownThen,
        u"取指定日期的板块交易数据，每根K线上都是同一个值，更早的K线用到了当时还不知道的数据。",
        u""},
    // Today's name decides every bar: an "ST" test on history sees today's status.
    FutureFunction{
        QLatin1StringView("NAMELIKE"), Call, UnknownThen,
        u"按股票今天的名称判断，每根历史K线上用的都是现在的名称，过去是否ST看到的是今天的状态。",
        u""},
    FutureFunction{QLatin1StringView("NAMEINCLUDE"), Call, UnknownThen,
                   u"按股票今天的名称中含不含某些字判断，每根历史K线上用的都是现在的名称。", u""},
    // They decide on the condition's value at the last bar.
    FutureFunction{QLatin1StringView("IFC"), Call, UnknownThen,
                   u"按条件在最后一根K线上的值决定整个公式只算哪一支，历史K线用的是今天的结果。",
                   u"IF(X,A,B)，逐根K线判断"},
    FutureFunction{QLatin1StringView("TESTSKIP"), Call, UnknownThen,
                   u"条件在最后一根K线上成立时整个公式不再计算，历史K线的结果取决于今天。", u""},
    FutureFunction{QLatin1StringView("CAPITAL"), Bare, UnknownThen,
                   u"当前的流通股本，每根历史K线上用的也是今天的股本。", u""},
    FutureFunction{QLatin1StringView("CONST"), Call, UnknownThen,
                   u"把X在最后一根K线上的值当作常数，用于所有K线。", u""},
    // Counted from the last bar: every new bar changes them on all bars.
    FutureFunction{QLatin1StringView("CURRBARSCOUNT"), Bare, UnknownThen,
                   u"到最后一根K线的周期数，每来一根新K线，所有K线上的值都会改变。",
                   u"BARSCOUNT(CLOSE)，从第一根K线数起"},
    FutureFunction{QLatin1StringView("TOTALBARSCOUNT"), Bare, UnknownThen,
                   u"全部K线的根数，每来一根新K线，所有K线上的值都会改变。",
                   u"BARSCOUNT(CLOSE)，从第一根K线数起"},
    FutureFunction{QLatin1StringView("ISLASTBAR"), Bare, UnknownThen,
                   u"判断是否最后一根K线，新K线一来，原来的最后一根就不再是了。", u""},
    FutureFunction{QLatin1StringView("BARSTATUS"), Bare, UnknownThen,
                   u"按数据的首尾判断K线的位置，新K线一来，原来最后一根K线上的值就变了。", u""},

    // Every bar of a period gets the period's final value, so the bars of
    // the unfinished one change until it ends.
    FutureFunction{
        QLatin1StringView("#YEAR"), Period, UnfinishedPeriod,
        u"引用年线：这一年走完之前，年内每根K线取到的值都会变，走完后都等于全年最终的值。",
        u"上一个已走完的年的值"},
    FutureFunction{
        QLatin1StringView("#SEASON"), Period, UnfinishedPeriod,
        u"引用季线：这一季走完之前，季内每根K线取到的值都会变，走完后都等于全季最终的值。",
        u"上一个已走完的季的值"},
    FutureFunction{
        QLatin1StringView("#MONTH"), Period, UnfinishedPeriod,
        u"引用月线：这个月走完之前，月内每根K线取到的值都会变，走完后都等于全月最终的值。",
        u"上一个已走完的月的值"},
    FutureFunction{
        QLatin1StringView("#WEEK"), Period, UnfinishedPeriod,
        u"引用周线：这一周走完之前，周内每根K线取到的值都会变，走完后都等于全周最终的值。",
        u"上一个已走完的周的值"},
    FutureFunction{
        QLatin1StringView("#DAY"), Period, UnfinishedPeriod,
        u"引用日线：当天收盘之前，当天每根分钟K线取到的值都会变，收盘后都等于全天最终的值。",
        u"上一个交易日的值"},
    FutureFunction{QLatin1StringView("#MIN60"), Period, UnfinishedPeriod,
                   u"引用60分钟线：这一小时走完之前，其中每根K线取到的值都会变。",
                   u"上一根已走完的60分钟K线的值"},
    FutureFunction{QLatin1StringView("#MIN30"), Period, UnfinishedPeriod,
                   u"引用30分钟线：这半小时走完之前，其中每根K线取到的值都会变。",
                   u"上一根已走完的30分钟K线的值"},
    FutureFunction{QLatin1StringView("#MIN15"), Period, UnfinishedPeriod,
                   u"引用15分钟线：这15分钟走完之前，其中每根K线取到的值都会变。",
                   u"上一根已走完的15分钟K线的值"},
    FutureFunction{QLatin1StringView("#MIN5"), Period, UnfinishedPeriod,
                   u"引用5分钟线：这5分钟走完之前，其中每根K线取到的值都会变。",
                   u"上一根已走完的5分钟K线的值"},
    FutureFunction{QLatin1StringView("#MIN1"), Period, UnfinishedPeriod,
                   u"引用1分钟线：这一分钟走完之前，其中每根K线取到的值都会变。",
                   u"上一根已走完的1分钟K线的值"},
};

inline uchar Upper(uchar b)
{
    return b >= 'a' && b <= 'z' ? b - 32 : b;
}

// The table's names by first letter and length, in capitals, without the #
// of a period, so that most words are passed over after one look; and their
// first letters. Built from a table that is constant before any code runs.
struct NameIndex
{
    static constexpr int kLongest = 15;
    struct Name
    {
        QLatin1StringView name;
        const FutureFunction *function;
    };

    NameIndex()
    {
        for (const FutureFunction &function : kTable) {
            const QLatin1StringView name =
                function.writing == Writing::Period ? function.name.sliced(1) : function.name;
            const uchar letter = uchar(name[0].toLatin1());
            Q_ASSERT(letter >= 'A' && letter <= 'Z' && name.size() <= kLongest);
            names[letter - 'A'][name.size()].push_back({name, &function});
            starts.add(name);
        }
    }

    // The function named by the word, in any case.
    const FutureFunction *find(const uchar *word, qsizetype size) const
    {
        const unsigned letter = unsigned(Upper(word[0]) - 'A');
        if (letter >= 26 || size > kLongest)
            return nullptr;
        for (const Name &name : names[letter][size]) {
            qsizetype i = 1;
            while (i < size && Upper(word[i]) == uchar(name.name[i].toLatin1()))
                ++i;
            if (i == size)
                return name.function;
        }
        return nullptr;
    }

    std::vector<Name> names[26][kLongest + 1];
    NameStarts starts;
};

const NameIndex kNames;

// Whether the arguments that start at `from` are X,-N with N a number. The
// first argument is looked at for so many bytes only, so that brackets
// opened and never closed cost no more than that each.
bool NegativePeriodFrom(QByteArrayView text, qsizetype from)
{
    constexpr qsizetype kLongestFirst = 4096;
    // Most calls are REF(X,N): a look at the bytes up to the call's end or
    // the statement's tells there is no minus, as long as no comment, string
    // or reference could hide a bracket or a ; from it.
    for (qsizetype at = from, depth = 0; at < text.size() && at - from <= kLongestFirst; ++at) {
        const char c = text[at];
        if (c == ';' || (c == ')' && depth == 0))
            return false;
        if (c == '-' || c == '{' || c == '\'' || c == '"' || c == '/')
            break;
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
    }
    Lexer lexer = Lexer::At(text, from);
    const auto next = [&] {
        Token token;
        do
            token = lexer.next();
        while (token.kind == TokenKind::Comment);
        return token;
    };
    for (int depth = 0;;) {
        const Token token = next();
        if (token.kind == TokenKind::End || token.kind == TokenKind::Semicolon ||
            token.start - from > kLongestFirst || (token.kind == TokenKind::Close && depth == 0))
            return false;
        if (token.kind == TokenKind::Comma && depth == 0)
            break;
        depth += token.kind == TokenKind::Open ? 1 : token.kind == TokenKind::Close ? -1 : 0;
    }
    return next().kind == TokenKind::Minus && next().kind == TokenKind::Number &&
           next().kind == TokenKind::Close;
}

} // namespace

const NameStarts &FutureFunctionStarts()
{
    return kNames.starts;
}

Use UsedBy(QByteArrayView text, const Token &token)
{
    const auto *p = reinterpret_cast<const uchar *>(text.data());
    qsizetype start = token.start;
    switch (token.kind) {
    case TokenKind::Period:
        if (const FutureFunction *period = kNames.find(p + start + 1, token.end - start - 1);
            period && period->writing == Writing::Period)
            return {period, start, token.end - start};
        ++start; // a name of another kind behind the #: #DHIGH is DHIGH
        break;
    case TokenKind::Name:
        break;
    default:
        return {};
    }
    const FutureFunction *function = kNames.find(p + start, token.end - start);
    if (!function || function->writing == Writing::Period)
        return {};
    if (function->writing == Writing::Bare)
        return {function, start, token.end - start};
    qsizetype next = token.end;
    while (next < text.size() && (p[next] == ' ' || p[next] == '\t'))
        ++next;
    if (next == text.size() || p[next] != '(' ||
        (function->writing == Writing::NegativePeriod && !NegativePeriodFrom(text, next + 1)))
        return {};
    return {function, start, token.end - start};
}

std::span<const FutureFunction> FutureFunctions()
{
    return kTable;
}

const FutureFunction *FindFutureFunction(QStringView name)
{
    for (const FutureFunction &function : kTable) {
        if (function.writing != NegativePeriod &&
            name.compare(function.name, Qt::CaseInsensitive) == 0)
            return &function;
    }
    return nullptr;
}

QLatin1StringView ClassId(FutureClass futureClass)
{
    switch (futureClass) {
    case Redraws:
        return QLatin1StringView("redraws");
    case LaterBars:
        return QLatin1StringView("later-bars");
    case UnknownThen:
        return QLatin1StringView("unknown-then");
    case UnfinishedPeriod:
        break;
    }
    return QLatin1StringView("unfinished-period");
}

QStringView ClassTitle(FutureClass futureClass)
{
    switch (futureClass) {
    case Redraws:
        return u"改写历史";
    case LaterBars:
        return u"引用之后的K线";
    case UnknownThen:
        return u"当时不可知的数据";
    case UnfinishedPeriod:
        break;
    }
    return u"周期未走完";
}

} // namespace language
