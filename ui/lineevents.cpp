#include "lineevents.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolTip>

#include <optional>

namespace ui {
namespace {

struct Line
{
    QTextBlock block;
    QRect place; // in the viewport
};

// The line (a block, wrapped or not) under a point of the viewport; none in
// the empty space below the last one.
std::optional<Line> LineAt(const QPlainTextEdit &edit, QPoint point)
{
    const QTextBlock block = edit.cursorForPosition(point).block();
    QTextCursor end(block);
    end.movePosition(QTextCursor::EndOfBlock);
    const int top = edit.cursorRect(QTextCursor(block)).top();
    const int bottom = edit.cursorRect(end).bottom();
    if (point.y() < top || point.y() > bottom)
        return std::nullopt;
    return Line{block, QRect(0, top, edit.viewport()->width(), bottom - top + 1)};
}

} // namespace

LineEvents::LineEvents(QPlainTextEdit &edit)
    : QObject(&edit), edit_(edit), viewport_(edit.viewport())
{
    viewport_->installEventFilter(this);
}

void LineEvents::setToolTip(std::function<QString(const QTextBlock &)> toolTip)
{
    toolTip_ = std::move(toolTip);
}

bool LineEvents::eventFilter(QObject *watched, QEvent *event)
{
    // The viewport also has events while the box is being destroyed, when
    // the box must no longer be asked anything.
    const QEvent::Type type = event->type();
    if ((type != QEvent::MouseButtonRelease && type != QEvent::ToolTip) || watched != viewport_)
        return false;
    if (type == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // A drag selects text; only a plain click acts on the line.
        if (mouse->button() == Qt::LeftButton && !edit_.textCursor().hasSelection()) {
            if (const auto line = LineAt(edit_, mouse->position().toPoint()))
                emit lineClicked(line->block);
        }
    } else if (toolTip_) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const auto line = LineAt(edit_, help->pos());
        const QString text = line ? toolTip_(line->block) : QString();
        if (!text.isEmpty()) {
            // Shown until the pointer leaves the line.
            QToolTip::showText(help->globalPos(), text, viewport_, line->place);
            return true;
        }
    }
    return false;
}

} // namespace ui
