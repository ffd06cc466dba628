#include "findingsinformula.h"

#include "lineevents.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolTip>

#include <algorithm>

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

bool IsIdeograph(QChar c)
{
    return c.script() == QChar::Script_Han;
}

// Tooltips do not wrap plain text, and a reason on one line would run across
// the screen: lines are broken at a comfortable width, between Chinese
// characters or after a space or punctuation, never inside a word of code
// nor before a closing mark.
QString Wrapped(const QString &text)
{
    const QFontMetrics metrics(QToolTip::font());
    const int most = 26 * metrics.horizontalAdvance(u'中');
    QStringList lines;
    for (const QString &line : text.split(u'\n')) {
        QString rest = line;
        while (metrics.horizontalAdvance(rest) > most) {
            qsizetype breakAt = -1;
            int width = 0;
            for (qsizetype i = 1; i < rest.size(); ++i) {
                width += metrics.horizontalAdvance(rest[i - 1]);
                if (width > most && breakAt > 0)
                    break;
                const QChar before = rest[i - 1], after = rest[i];
                const QChar::Category next = after.category();
                const bool closes =
                    next == QChar::Punctuation_Close || next == QChar::Punctuation_Other;
                const bool opens = before.category() == QChar::Punctuation_Open;
                // Full-width marks end a phrase; ASCII ones stand inside code.
                const bool endsPhrase = before.isPunct() && before.unicode() > 0x2000;
                if (!closes && !opens &&
                    (IsIdeograph(after) || IsIdeograph(before) || before.isSpace() || endsPhrase))
                    breakAt = i;
            }
            if (breakAt <= 0)
                break;
            lines.append(rest.left(breakAt));
            rest = rest.mid(breakAt);
        }
        lines.append(rest);
    }
    return lines.join(u'\n');
}

} // namespace

FindingsInFormula::FindingsInFormula(QPlainTextEdit &formula, QPlainTextEdit &result,
                                     QAbstractButton &missedNote, QObject *parent)
    : QObject(parent), formula_(formula), note_(missedNote), marks_(new ui::FormulaMarks(formula))
{
    auto *lines = new ui::LineEvents(result);
    connect(lines, &ui::LineEvents::lineClicked, this, &FindingsInFormula::jumpFrom);
    lines->setToolTip([this](const QString &line) { return describe(line); });
    connect(&note_, &QAbstractButton::clicked, this, &FindingsInFormula::jumpToMissed);
    // The note names what the old text held.
    connect(marks_, &ui::FormulaMarks::replaced, &note_, &QWidget::hide);
    note_.hide();
    formula.viewport()->installEventFilter(this);
}

void FindingsInFormula::show(const detect::Findings &findings)
{
    found_ = findings.found;
    QList<const language::FutureFunction *> functions;
    functions.reserve(found_.size());
    for (const detect::SearchKey &found : std::as_const(found_))
        functions.append(language::FindFutureFunction(found.displayName));

    marked_.clear();
    marked_.reserve(findings.occurrences.size() + findings.missed.size());
    QList<ui::FormulaMarks::Span> spans;
    spans.reserve(marked_.capacity());
    QStringList missedNames;
    // Both are ordered by start; the marks must be too.
    qsizetype o = 0, m = 0;
    while (o < findings.occurrences.size() || m < findings.missed.size()) {
        const qsizetype tag = marked_.size();
        if (m == findings.missed.size() ||
            (o < findings.occurrences.size() &&
             findings.occurrences[o].start <= findings.missed[m].start)) {
            const detect::Occurrence &occurrence = findings.occurrences[o];
            const language::Context context = findings.contexts[o++];
            marked_.append({occurrence.key, context, functions[occurrence.key]});
            spans.append(
                {occurrence.start, occurrence.length, tag,
                 context == language::Context::Code ? ui::Look::Finding : ui::Look::Aside});
        } else {
            const language::Use &use = findings.missed[m++];
            marked_.append({-1, language::Context::Code, use.function});
            spans.append({use.start, use.length, tag, ui::Look::Missed});
            const QString name = use.function->name.toString();
            if (!missedNames.contains(name))
                missedNames.append(name);
        }
    }
    marks_->setSpans(std::move(spans));
    showNote(missedNames);
}

void FindingsInFormula::forget()
{
    found_.clear();
    marked_.clear();
    marks_->clear();
    note_.hide();
}

void FindingsInFormula::showNote(const QStringList &missedNames)
{
    if (missedNames.isEmpty()) {
        note_.hide();
        return;
    }
    const QString text = QStringLiteral("另有列表漏掉的未来函数：") + missedNames.join(u'、');
    // One line beside the result's caption: a long list is cut short there,
    // and read whole in the tooltip and by screen readers.
    note_.setText(note_.fontMetrics().elidedText(text, Qt::ElideRight, note_.width() - 4));
    note_.setToolTip(text);
    note_.setAccessibleName(text);
    note_.show();
    QAccessibleEvent shown(&note_, QAccessible::Alert);
    QAccessible::updateAccessibility(&shown);
}

template <typename Counts>
QList<FindingsInFormula::Place> FindingsInFormula::placesOf(Counts &&counts,
                                                            QStringList *keys) const
{
    QList<bool> occurs(found_.size(), false);
    QList<Place> places;
    for (const ui::FormulaMarks::Span &span : marks_->spans()) {
        const Marked &marked = marked_[span.tag];
        if (!counts(marked))
            continue;
        if (marked.finding >= 0)
            occurs[marked.finding] = true;
        if (!places.isEmpty() && places.last().start == span.start) {
            if (span.length > places.last().length)
                places.last() = {span.start, span.length, marked.context};
        } else {
            places.append({span.start, span.length, marked.context});
        }
    }
    if (keys) {
        for (qsizetype i = 0; i < found_.size(); ++i) {
            if (occurs[i] && !keys->contains(found_[i].key))
                keys->append(found_[i].key);
        }
    }
    return places;
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
    return placesOf(
        [&](const Marked &marked) { return marked.finding >= 0 && named[marked.finding]; }, keys);
}

void FindingsInFormula::selectNext(const QList<Place> &places)
{
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

void FindingsInFormula::jumpFrom(const QString &line)
{
    selectNext(placesOf(line));
}

void FindingsInFormula::jumpToMissed()
{
    selectNext(placesOf([](const Marked &marked) { return marked.finding < 0; }));
}

QString FindingsInFormula::lineNumbers(const QList<Place> &places) const
{
    // The box's lines are its blocks: CR LF, CR and LF each end one.
    QStringList numbers;
    int previous = -1;
    for (const Place &place : places) {
        const int number = formula_.document()->findBlock(int(place.start)).blockNumber() + 1;
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

QString FindingsInFormula::describe(const QString &line) const
{
    QStringList keys;
    const QList<Place> places = placesOf(line, &keys);
    if (places.isEmpty())
        return {};
    QString text = QStringLiteral("%1 出现 %2 次：%3")
                       .arg(keys.join(QStringLiteral(" 或 ")))
                       .arg(places.size())
                       .arg(lineNumbers(places));
    for (const detect::SearchKey &found : found_) {
        if (detect::FindingLine(found) != line)
            continue;
        if (const language::FutureFunction *function =
                language::FindFutureFunction(found.displayName)) {
            text += u'\n' + WhyItSeesTheFuture(*function);
            break;
        }
    }
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
                             .arg(lineNumbers(there)));
        }
    }
    if (!aside.isEmpty())
        text += QStringLiteral("\n不算调用：") + aside.join(QStringLiteral("，"));
    // The first line, as it always read, stays whole.
    const qsizetype firstEnd = text.indexOf(u'\n');
    return firstEnd < 0 ? text : text.left(firstEnd + 1) + Wrapped(text.mid(firstEnd + 1));
}

QString FindingsInFormula::describeAt(qsizetype position) const
{
    QStringList texts;
    for (const ui::FormulaMarks::Span &span : marks_->spansAt(position)) {
        const Marked &marked = marked_[span.tag];
        const QString name = marked.finding >= 0 ? found_[marked.finding].displayName
                                                 : marked.function->name.toString();
        QString text = marked.finding >= 0
                           ? QStringLiteral("%1（%2）").arg(name, WhereItStands(marked.context))
                           : QStringLiteral("%1（列表漏掉的未来函数）").arg(name);
        text += marked.function ? u'\n' + WhyItSeesTheFuture(*marked.function)
                                : QStringLiteral("\n列表中的条目，不在已知的未来函数表中");
        if (!texts.contains(text))
            texts.append(text);
    }
    return Wrapped(texts.join(QStringLiteral("\n\n")));
}

bool FindingsInFormula::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || watched != formula_.viewport())
        return false;
    const auto *help = static_cast<QHelpEvent *>(event);
    // The character under the pointer: the nearest caret place stands after
    // it when the pointer is on its right half.
    const QTextCursor nearest = formula_.cursorForPosition(help->pos());
    qsizetype position = nearest.position();
    if (help->pos().x() < formula_.cursorRect(nearest).left() && position > 0)
        --position;
    const QString text = describeAt(position);
    if (text.isEmpty()) {
        QToolTip::hideText();
        return false;
    }
    QToolTip::showText(help->globalPos(), text, formula_.viewport());
    return true;
}
