#include "findingsinformula.h"

#include "lineevents.h"
#include "utf8.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolTip>

#include <algorithm>

namespace {

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
                    (language::IsIdeograph(after.unicode()) ||
                     language::IsIdeograph(before.unicode()) || before.isSpace() || endsPhrase))
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
                                     QAbstractButton &missedNote, QLabel &verdict, QObject *parent)
    : QObject(parent), formula_(formula), result_(result), note_(missedNote), verdict_(verdict),
      marks_(new ui::FormulaMarks(formula))
{
    auto *lines = new ui::LineEvents(result);
    connect(lines, &ui::LineEvents::lineClicked, this, &FindingsInFormula::jumpFrom);
    lines->setToolTip([this](const QTextBlock &line) { return describe(line); });
    connect(&note_, &QAbstractButton::clicked, this, &FindingsInFormula::jumpToMissed);
    // The note and the verdict tell of what the old text held.
    connect(marks_, &ui::FormulaMarks::replaced, &note_, &QWidget::hide);
    connect(marks_, &ui::FormulaMarks::replaced, &verdict_, &QWidget::hide);
    note_.hide();
    verdict_.hide();
    formula.viewport()->installEventFilter(this);
}

void FindingsInFormula::show(const detect::Findings &findings)
{
    model_ = ui::FindingsModel(findings);
    marks_->setSpans(model_.marks());
    // A result line knows which it is, however the user edits the lines
    // around it.
    QTextBlock block = result_.document()->firstBlock();
    for (qsizetype line = 0; block.isValid(); block = block.next(), ++line)
        block.setUserState(line < model_.lineCount() ? int(line) : -1);
    showLine(note_, model_.note());
    // A signal that sees the future in the note's dark red, anything else in
    // the captions' dark grey: both 8:1 and more on the window's lavender.
    QPalette palette = verdict_.palette();
    palette.setColor(QPalette::WindowText, model_.verdictKind() == language::Verdict::Signal
                                               ? QColor(0xA0, 0, 0)
                                               : QColor(0x40, 0x40, 0x40));
    verdict_.setPalette(palette);
    showLine(verdict_, model_.verdict());
}

void FindingsInFormula::forget()
{
    model_ = {};
    marks_->clear();
    note_.hide();
    verdict_.hide();
}

qsizetype FindingsInFormula::findingLine(const QTextBlock &line) const
{
    // One the user has typed over is no finding line any more.
    const qsizetype index = line.userState();
    return index >= 0 && index < model_.lineCount() && model_.lineText(index) == line.text() ? index
                                                                                             : -1;
}

void FindingsInFormula::showLine(QWidget &line, const QString &text)
{
    if (text.isEmpty()) {
        line.hide();
        return;
    }
    // Shaping costs by the character, and a verdict may name thousands of
    // outputs: a start of the text that is already too wide ends the same.
    const QFontMetrics metrics = line.fontMetrics();
    const int width = line.contentsRect().width() - 4;
    const QString start = text.left(std::max(width, 1));
    const bool cut = start.size() < text.size() && metrics.horizontalAdvance(start) > width;
    line.setProperty("text", metrics.elidedText(cut ? start : text, Qt::ElideRight, width));
    line.setToolTip(text);
    line.setAccessibleName(text);
    line.show();
    QAccessibleEvent shown(&line, QAccessible::Alert);
    QAccessible::updateAccessibility(&shown);
}

void FindingsInFormula::selectNext(const QList<ui::FindingsModel::Place> &places)
{
    if (places.isEmpty())
        return;
    // Past the occurrence selected now, or from the caret on.
    const QTextCursor current = formula_.textCursor();
    const qsizetype from =
        current.hasSelection() ? current.selectionStart() + 1 : current.position();
    auto next =
        std::find_if(places.cbegin(), places.cend(),
                     [&](const ui::FindingsModel::Place &place) { return place.start >= from; });
    if (next == places.cend())
        next = places.cbegin();
    QTextCursor selection(formula_.document());
    selection.setPosition(int(next->start));
    selection.setPosition(int(next->start + next->length), QTextCursor::KeepAnchor);
    formula_.setTextCursor(selection); // and scrolls it into view
}

void FindingsInFormula::jumpFrom(const QTextBlock &line)
{
    selectNext(model_.placesOfLine(findingLine(line), marks_->spans()));
}

void FindingsInFormula::jumpToMissed()
{
    selectNext(model_.missedPlaces(marks_->spans()));
}

QString FindingsInFormula::describe(const QTextBlock &line) const
{
    // The box's lines are its blocks: CR LF, CR and LF each end one.
    const QString text =
        model_.describeLine(findingLine(line), marks_->spans(), [this](qsizetype position) {
            return formula_.document()->findBlock(int(position)).blockNumber() + 1;
        });
    // The first line stays whole.
    const qsizetype firstEnd = text.indexOf(u'\n');
    return firstEnd < 0 ? text : text.left(firstEnd + 1) + Wrapped(text.mid(firstEnd + 1));
}

QString FindingsInFormula::describeAt(qsizetype position) const
{
    return Wrapped(model_.describeMarks(marks_->spansAt(position)));
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
