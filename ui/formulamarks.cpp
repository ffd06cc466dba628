#include "formulamarks.h"

#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextBlock>

#include <algorithm>

namespace ui {

QColor MarkTint(Look look)
{
    switch (look) {
    case Look::Finding:
        return QColor(0xFF, 0xE6, 0x80);
    case Look::Aside:
        return QColor(0xFF, 0xF6, 0xD6);
    case Look::Missed:
        break;
    }
    return QColor(0xFF, 0xC8, 0xC8);
}

FormulaMarks::FormulaMarks(QPlainTextEdit &edit)
    : QObject(&edit), edit_(edit), characters_(edit.document()->characterCount())
{
    connect(edit.document(), &QTextDocument::contentsChange, this, &FormulaMarks::follow);
    // Scrolling, resizing and relayout all ask for a repaint this way first.
    connect(&edit, &QPlainTextEdit::updateRequest, this, [this] { showInView(false); });
}

void FormulaMarks::setSpans(QList<Span> spans)
{
    spans.removeIf([](const Span &span) { return span.length <= 0; });
    Q_ASSERT(std::is_sorted(spans.cbegin(), spans.cend(),
                            [](const Span &a, const Span &b) { return a.start < b.start; }));
    spans_ = std::move(spans);
    characters_ = edit_.document()->characterCount();
    replaced_ = false; // called once the change is done
    longest_ = 0;
    for (const Span &span : std::as_const(spans_))
        longest_ = std::max(longest_, span.length);
    showInView(true);
}

QList<FormulaMarks::Span> FormulaMarks::spansAt(qsizetype position) const
{
    QList<Span> covering;
    auto span = std::lower_bound(spans_.cbegin(), spans_.cend(), position - longest_ + 1,
                                 [](const Span &span, qsizetype at) { return span.start < at; });
    for (; span != spans_.cend() && span->start <= position; ++span) {
        if (span->start + span->length > position)
            covering.append(*span);
    }
    return covering;
}

void FormulaMarks::follow(int position, int removed, int added)
{
    const int characters = edit_.document()->characterCount();
    const bool followable = characters == characters_ - removed + added;
    characters_ = characters;
    if (!followable) {
        emit replaced();
        // Replacing the whole text reports the empty document it starts from
        // while Qt still holds the old cursors aside, and then more characters
        // added than there are. Dropping a mark's cursor now would leave the
        // document a dangling one, so the marks go at once and the editor's
        // copies once the change is done; until then, they are all empty.
        if (!spans_.isEmpty() || !edit_.extraSelections().isEmpty()) {
            spans_.clear();
            replaced_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    replaced_ = false;
                    showInView(true);
                },
                Qt::QueuedConnection);
        }
        return;
    }
    if (spans_.isEmpty())
        return;
    const qsizetype changedEnd = position + removed;
    const qsizetype shift = added - removed;
    spans_.removeIf([&](const Span &span) {
        return span.start < changedEnd && span.start + span.length > position;
    });
    for (Span &span : spans_) {
        if (span.start >= changedEnd)
            span.start += shift;
    }
    // The layout has not caught up with the edit yet; the repaint it asks for
    // next finds the new view.
    const auto map = [&](qsizetype at) {
        return at >= changedEnd ? at + shift : std::min(at, changedEnd + shift);
    };
    show(map(viewFrom_), map(viewTo_));
}

void FormulaMarks::showInView(bool changed)
{
    if (showing_ || replaced_)
        return;
    const QRect view = edit_.viewport()->rect();
    QTextCursor first = edit_.cursorForPosition(view.topLeft());
    first.movePosition(QTextCursor::StartOfLine);
    QTextCursor last = edit_.cursorForPosition(view.bottomRight());
    last.movePosition(QTextCursor::EndOfLine);
    if (changed || first.position() != viewFrom_ || last.position() != viewTo_)
        show(first.position(), last.position());
}

void FormulaMarks::show(qsizetype from, qsizetype to)
{
    viewFrom_ = from;
    viewTo_ = to;
    QList<QTextEdit::ExtraSelection> marks;
    // A span reaches into view when it ends at or after `from`; as no span is
    // longer than longest_, none starting earlier does.
    auto span = std::lower_bound(spans_.cbegin(), spans_.cend(), from - longest_,
                                 [](const Span &span, qsizetype at) { return span.start < at; });
    for (; span != spans_.cend() && span->start <= to; ++span) {
        if (span->start + span->length < from)
            continue;
        QTextEdit::ExtraSelection mark;
        mark.format.setBackground(MarkTint(span->look));
        // The paler tint is hard to tell from the white box by colour alone.
        if (span->look == Look::Aside)
            mark.format.setUnderlineStyle(QTextCharFormat::DotLine);
        mark.cursor = QTextCursor(edit_.document());
        mark.cursor.setPosition(int(span->start));
        mark.cursor.setPosition(int(span->start + span->length), QTextCursor::KeepAnchor);
        marks.append(mark);
    }
    const QScopedValueRollback guard(showing_, true);
    edit_.setExtraSelections(marks);
}

} // namespace ui
