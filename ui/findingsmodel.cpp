#include "findingsmodel.h"

#include <QSet>

#include <algorithm>

namespace ui {

namespace {

constexpr qsizetype kMostLinesNamed = 20;

QString WhereItStands(language::Context context)
{
    switch (context) {
    case language::Context::Code:
        return QStringLiteral("在代码中");
    case language::Context::Comment:
        return QStringLiteral("在注释中");
    case language::Context::String:
        return QStringLiteral("在字符串中");
    case language::Context::Name:
        break;
    }
    return QStringLiteral("在更长的名字中");
}

// "改写历史：…" and what to use instead, on lines of their own.
QString WhyItSeesTheFuture(const language::FutureFunction &function)
{
    QString text =
        language::ClassTitle(function.futureClass).toString() + u'：' + function.why.toString();
    if (!function.instead.isEmpty())
        text += QStringLiteral("\n可改用：") + function.instead.toString();
    return text;
}

// "第 3、5、8 行", at most kMostLinesNamed lines.
QString LineNumbers(const QList<FindingsModel::Place> &places, const FindingsModel::LineOf &lineOf)
{
    QStringList numbers;
    int previous = -1;
    for (const FindingsModel::Place &place : places) {
        const int number = lineOf(place.start);
        if (number == previous)
            continue;
        if (numbers.size() == kMostLinesNamed) {
            numbers.append(QStringLiteral("…"));
            break;
        }
        numbers.append(QString::number(number));
        previous = number;
    }
    return QStringLiteral("第 %1 行").arg(numbers.join(u'、'));
}

} // namespace

FindingsModel::FindingsModel(const detect::Findings &findings)
    : found_(findings.entries), lines_(findings.lines), reach_(findings.reach)
{
    marked_.reserve(findings.occurrences.size() + findings.missed.size());
    marks_.reserve(marked_.capacity());
    // Both are ordered by start; the marks must be too.
    qsizetype o = 0, m = 0;
    while (o < findings.occurrences.size() || m < findings.missed.size()) {
        const qsizetype tag = marked_.size();
        if (m == findings.missed.size() ||
            (o < findings.occurrences.size() &&
             findings.occurrences[o].start <= findings.missed[m].use.start)) {
            const detect::Findings::Occurrence &occurrence = findings.occurrences[o++];
            marked_.append({occurrence.entry, occurrence.context, found_[occurrence.entry].function,
                            occurrence.at});
            marks_.append(
                {occurrence.start, occurrence.length, tag,
                 occurrence.context == language::Context::Code ? Look::Finding : Look::Aside});
        } else {
            const language::Use &use = findings.missed[m].use;
            marked_.append({-1, language::Context::Code, use.function, findings.missed[m++].at});
            marks_.append({use.start, use.length, tag, Look::Missed});
            const QString name = use.function->name.toString();
            if (!missedNames_.contains(name))
                missedNames_.append(name);
        }
    }

    if (!reach_)
        return;
    language::VerdictTally tally;
    QList<qsizetype> uses;
    for (const Marked &marked : std::as_const(marked_)) {
        if (!marked.inCode())
            continue;
        const auto [any, signal] = reach_->reach->anyAndSignal(marked.at);
        tally.add(any, signal);
        uses.append(marked.at);
    }
    verdictKind_ = tally.verdict();
    switch (verdictKind_) {
    case language::Verdict::None:
        break;
    case language::Verdict::Unused:
        verdict_ = QStringLiteral("未来函数没有影响任何输出");
        break;
    case language::Verdict::Line:
        verdict_ = QStringLiteral("未来函数只影响画线");
        break;
    case language::Verdict::Signal: {
        const std::vector<language::Reach::Reached> reached = reach_->reach->reachedFrom(uses);
        QStringList names;
        for (std::size_t s = 0; s < reached.size(); ++s) {
            if (reached[s] == language::Reach::Reached::Signal)
                names.append(detect::OutputLabel(reach_->reach->statements()[qsizetype(s)],
                                                 reach_->places.of(qsizetype(s))));
        }
        verdict_ = QStringLiteral("未来函数影响信号：") + names.join(u'、');
        break;
    }
    }
}

QString FindingsModel::lineText(qsizetype line) const
{
    return detect::FindingLine(found_[lines_.at(line)].key);
}

QList<bool> FindingsModel::entriesOfLine(qsizetype line) const
{
    QList<bool> named(found_.size(), false);
    if (line < 0 || line >= lines_.size())
        return named;
    const QString &name = found_[lines_[line]].key.displayName;
    for (qsizetype i = 0; i < found_.size(); ++i)
        named[i] = found_[i].key.displayName == name;
    return named;
}

template <typename Counts>
QList<FindingsModel::Place> FindingsModel::placesOf(const QList<Span> &spans, Counts &&counts,
                                                    QStringList *keys) const
{
    QList<bool> occurs(found_.size(), false);
    QList<Place> places;
    for (const Span &span : spans) {
        const Marked &marked = marked_[span.tag];
        if (!counts(marked))
            continue;
        if (marked.found >= 0)
            occurs[marked.found] = true;
        if (!places.isEmpty() && places.last().start == span.start) {
            if (span.length > places.last().length)
                places.last() = {span.start, span.length, marked.context};
        } else {
            places.append({span.start, span.length, marked.context});
        }
    }
    if (keys) {
        for (qsizetype i = 0; i < found_.size(); ++i) {
            if (occurs[i] && !keys->contains(found_[i].key.key))
                keys->append(found_[i].key.key);
        }
    }
    return places;
}

QList<FindingsModel::Place> FindingsModel::placesOfLine(qsizetype line,
                                                        const QList<Span> &spans) const
{
    const QList<bool> named = entriesOfLine(line);
    return placesOf(spans,
                    [&](const Marked &marked) { return marked.found >= 0 && named[marked.found]; });
}

QList<FindingsModel::Place> FindingsModel::missedPlaces(const QList<Span> &spans) const
{
    return placesOf(spans, [](const Marked &marked) { return marked.found < 0; });
}

QString FindingsModel::describeLine(qsizetype line, const QList<Span> &spans,
                                    const LineOf &lineOf) const
{
    const QList<bool> named = entriesOfLine(line);
    QStringList keys;
    const QList<Place> places = placesOf(
        spans, [&](const Marked &marked) { return marked.found >= 0 && named[marked.found]; },
        &keys);
    if (places.isEmpty())
        return {};
    QString text = QStringLiteral("%1 出现 %2 次：%3")
                       .arg(keys.join(QStringLiteral(" 或 ")))
                       .arg(places.size())
                       .arg(LineNumbers(places, lineOf));
    if (const language::FutureFunction *function = found_[lines_[line]].function)
        text += u'\n' + WhyItSeesTheFuture(*function);
    QStringList aside;
    for (const language::Context context :
         {language::Context::Comment, language::Context::String, language::Context::Name}) {
        QList<Place> there;
        std::copy_if(places.cbegin(), places.cend(), std::back_inserter(there),
                     [&](const Place &place) { return place.context == context; });
        if (!there.isEmpty()) {
            aside.append(QStringLiteral("%1 %2 次（%3）")
                             .arg(WhereItStands(context))
                             .arg(there.size())
                             .arg(LineNumbers(there, lineOf)));
        }
    }
    if (!aside.isEmpty())
        text += QStringLiteral("\n不算调用：") + aside.join(QStringLiteral("，"));
    QList<Span> ofLine;
    for (const Span &span : spans) {
        const Marked &marked = marked_[span.tag];
        if (marked.found >= 0 && named[marked.found])
            ofLine.append(span);
    }
    for (const QString &line : reachOf(ofLine))
        text += u'\n' + line;
    return text;
}

QStringList FindingsModel::reachOf(const QList<Span> &spans) const
{
    if (!reach_)
        return {};
    // A use in a statement reaches what the others there do, as far as a
    // drawing's argument does not say otherwise: a few hundred ways are plenty.
    constexpr qsizetype kMostAsked = 200;
    QList<language::Reach::OfUse> uses;
    QSet<qsizetype> asked; // statements, twice over: a signal's way in and a line's
    for (const Span &span : spans) {
        const Marked &marked = marked_[span.tag];
        if (!marked.inCode())
            continue;
        const language::Reach::OfUse use = reach_->reach->of(marked.at, language::Reach::kListed);
        const language::Kind here =
            use.outputs.isEmpty() || use.outputs.front().statement != use.statement
                ? language::Kind::Line
                : use.outputs.front().kind;
        const qsizetype way = 2 * use.statement + (here == language::Kind::Signal);
        if (asked.contains(way))
            continue;
        asked.insert(way);
        uses.append(use);
        if (uses.size() == kMostAsked)
            break;
    }
    if (uses.isEmpty())
        return {};
    return detect::ReachInWords(*reach_->reach, uses, reach_->places);
}

QString FindingsModel::describeMarks(const QList<Span> &covering) const
{
    QStringList texts;
    for (const Span &span : covering) {
        const Marked &marked = marked_[span.tag];
        QString text =
            marked.found >= 0
                ? QStringLiteral("%1（%2）")
                      .arg(found_[marked.found].key.displayName, WhereItStands(marked.context))
                : QStringLiteral("%1（列表漏掉的未来函数）").arg(marked.function->name);
        text += marked.function ? u'\n' + WhyItSeesTheFuture(*marked.function)
                                : QStringLiteral("\n列表中的条目，不在已知的未来函数表中");
        for (const QString &line : reachOf({span}))
            text += u'\n' + line;
        if (!texts.contains(text))
            texts.append(text);
    }
    return texts.join(QStringLiteral("\n\n"));
}

QString FindingsModel::note() const
{
    if (missedNames_.isEmpty())
        return {};
    return QStringLiteral("另有列表漏掉的未来函数：") + missedNames_.join(u'、');
}

} // namespace ui
