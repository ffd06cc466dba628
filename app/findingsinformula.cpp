#include "findingsinformula.h"

#include "lineevents.h"

#include <QPlainTextEdit>
#include <QTextBlock>

#include <algorithm>

namespace {

constexpr qsizetype kMostLinesNamed = 20;

} // namespace

FindingsInFormula::FindingsInFormula(QPlainTextEdit &formula, QPlainTextEdit &result,
                                     QObject *parent)
    : QObject(parent), formula_(formula), marks_(new ui::FormulaMarks(formula))
{
    auto *lines = new ui::LineEvents(result);
    connect(lines, &ui::LineEvents::lineClicked, this, &FindingsInFormula::jumpFrom);
    lines->setToolTip([this](const QString &line) { return describe(line); });
}

void FindingsInFormula::show(const detect::Findings &findings)
{
    found_ = findings.found;
    QList<ui::FormulaMarks::Span> spans;
    spans.reserve(findings.occurrences.size());
    for (const detect::Occurrence &occurrence : findings.occurrences)
        spans.append({occurrence.start, occurrence.length, occurrence.key});
    marks_->setSpans(std::move(spans));
}

void FindingsInFormula::forget()
{
    found_.clear();
    marks_->clear();
}

QList<FindingsInFormula::Place> FindingsInFormula::placesOf(const QString &line,
                                                            QStringList *keys) const
{
    QList<bool> named(found_.size(), false);
    bool any = false;
    for (qsizetype i = 0; i < found_.size(); ++i) {
        named[i] = detect::FindingLine(found_[i]) == line;
        any = any || named[i];
    }
    if (!any)
        return {};

    QList<bool> occurs(found_.size(), false);
    QList<Place> places;
    for (const ui::FormulaMarks::Span &span : marks_->spans()) {
        if (!named[span.tag])
            continue;
        occurs[span.tag] = true;
        if (!places.isEmpty() && places.last().start == span.start)
            places.last().length = std::max(places.last().length, span.length);
        else
            places.append({span.start, span.length});
    }
    if (keys) {
        for (qsizetype i = 0; i < found_.size(); ++i) {
            if (occurs[i] && !keys->contains(found_[i].key))
                keys->append(found_[i].key);
        }
    }
    return places;
}

void FindingsInFormula::jumpFrom(const QString &line)
{
    const QList<Place> places = placesOf(line);
    if (places.isEmpty())
        return;
    // Past the occurrence selected now, or from the caret on.
    const QTextCursor current = formula_.textCursor();
    const qsizetype from =
        current.hasSelection() ? current.selectionStart() + 1 : current.position();
    auto next = std::find_if(places.cbegin(), places.cend(),
                             [&](const Place &place) { return place.start >= from; });
    if (next == places.cend())
        next = places.cbegin();
    QTextCursor selection(formula_.document());
    selection.setPosition(int(next->start));
    selection.setPosition(int(next->start + next->length), QTextCursor::KeepAnchor);
    formula_.setTextCursor(selection); // and scrolls it into view
}

QString FindingsInFormula::describe(const QString &line) const
{
    QStringList keys;
    const QList<Place> places = placesOf(line, &keys);
    if (places.isEmpty())
        return {};
    // The box's lines are its blocks: CR LF, CR and LF each end one.
    QStringList lineNumbers;
    int previous = -1;
    for (const Place &place : places) {
        const int number = formula_.document()->findBlock(int(place.start)).blockNumber() + 1;
        if (number == previous)
            continue;
        if (lineNumbers.size() == kMostLinesNamed) {
            lineNumbers.append(QStringLiteral("…"));
            break;
        }
        lineNumbers.append(QString::number(number));
        previous = number;
    }
    return QStringLiteral("%1 出现 %2 次：第 %3 行")
        .arg(keys.join(QStringLiteral(" 或 ")))
        .arg(places.size())
        .arg(lineNumbers.join(u'、'));
}
