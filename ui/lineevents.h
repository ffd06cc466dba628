#pragma once

#include <QObject>
#include <QString>
#include <QTextBlock>

#include <functional>

class QPlainTextEdit;
class QWidget;

namespace ui {

// Lets the lines of a text box answer a click and a hover, while the box goes
// on doing what it does with both (placing the caret, selecting).
class LineEvents : public QObject
{
    Q_OBJECT

public:
    explicit LineEvents(QPlainTextEdit &edit);

    // Gives the tooltip for a line; an empty one shows none.
    void setToolTip(std::function<QString(const QTextBlock &line)> toolTip);

signals:
    // A click that selected nothing, on this line.
    void lineClicked(const QTextBlock &line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPlainTextEdit &edit_;
    QWidget *viewport_;
    std::function<QString(const QTextBlock &)> toolTip_;
};

} // namespace ui
