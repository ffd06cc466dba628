#include "widgetviews.h"

#include <QListWidget>
#include <QPlainTextEdit>

namespace ui {

qsizetype KeywordListWidgetView::count() const
{
    return list_.count();
}

QString KeywordListWidgetView::entry(qsizetype index) const
{
    const QListWidgetItem *item = list_.item(int(index));
    return item ? item->text() : QString();
}

qsizetype KeywordListWidgetView::selection() const
{
    return list_.currentRow();
}

void KeywordListWidgetView::setSelection(qsizetype index)
{
    if (index >= 0 && index < list_.count()) {
        list_.setCurrentRow(int(index), QItemSelectionModel::ClearAndSelect);
        return;
    }
    // Explicit commands: in the multi-selection modes Qt's defaults would keep
    // entries the user picked earlier highlighted.
    list_.setCurrentRow(-1, QItemSelectionModel::Clear);
}

QString FormulaTextEditView::text() const
{
    return edit_.toPlainText();
}

QString ResultTextEditView::text() const
{
    // The widget turns CR LF into a plain line break; the scan prepends to
    // what it wrote, so hand that back unchanged.
    const QString shown = edit_.toPlainText();
    return shown == writtenAsShown_ ? written_ : shown;
}

void ResultTextEditView::setText(const QString &text)
{
    edit_.setPlainText(text);
    written_ = text;
    writtenAsShown_ = edit_.toPlainText();
}

void ResultTextEditView::setTextColor(detect::Rgb color)
{
    // The palette, unlike a character format, also colours text typed later.
    QPalette palette = edit_.palette();
    palette.setColor(QPalette::Text, QColor(color.red, color.green, color.blue));
    edit_.setPalette(palette);
}

} // namespace ui
