#pragma once

#include "views.h"

class QListWidget;
class QPlainTextEdit;

namespace ui {

// The window's controls as the scan sees them. Each view only borrows its
// widget, which must outlive it.

class KeywordListWidgetView final : public detect::KeywordListView
{
public:
    explicit KeywordListWidgetView(QListWidget &list) : list_(list) {}
    qsizetype count() const override;
    QString entry(qsizetype index) const override;
    qsizetype selection() const override;
    // -1 (or any index outside the list) leaves nothing selected and no current item.
    void setSelection(qsizetype index) override;

private:
    QListWidget &list_;
};

class FormulaTextEditView final : public detect::FormulaTextView
{
public:
    explicit FormulaTextEditView(const QPlainTextEdit &edit) : edit_(edit) {}
    QString text() const override;

private:
    const QPlainTextEdit &edit_;
};

class ResultTextEditView final : public detect::ResultTextView
{
public:
    explicit ResultTextEditView(QPlainTextEdit &edit) : edit_(edit) {}
    // What setText() last wrote, CR LF and all, while the widget still shows
    // it; the widget's own text once the user has changed it.
    QString text() const override;
    void setText(const QString &text) override;
    // Colours all of the text, also what the user types afterwards.
    void setTextColor(detect::Rgb color) override;

private:
    QPlainTextEdit &edit_;
    QString written_;
    QString writtenAsShown_;
};

} // namespace ui
