#pragma once

#include <QObject>
#include <QString>

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

    // Gives the tooltip for a line's text; an empty one shows none.
    void setToolTip(std::function<QString(const QString &line)> toolTip);

signals:
    // A click that selected nothing, on the line with this text.
    void lineClicked(const QString &line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPlainTextEdit &edit_;
    QWidget *viewport_;
    std::function<QString(const QString &)> toolTip_;
};

} // namespace ui
