#pragma once

#include <QColor>
#include <QList>
#include <QObject>

class QPlainTextEdit;

namespace ui {

// The background of a marked finding: a light yellow, like a highlighter, on
// which the formula's dark blue stays easy to read.
QColor MarkTint();

// Tints spans of a text box's text as decoration only: the text, its undo
// history and what is copied stay as they are.
//
// A span follows edits before it and goes away once any of its own text
// changes, so it never covers text other than what it was given for.
//
// The editor loops over all its extra selections for every visible block at
// every paint, so it is handed only the spans in view, refreshed whenever what
// it shows moves or changes.
class FormulaMarks : public QObject
{
    Q_OBJECT

public:
    struct Span
    {
        qsizetype start = 0;
        qsizetype length = 0;
        qsizetype tag = 0; // the caller's, kept as given
        bool operator==(const Span &) const = default;
    };

    explicit FormulaMarks(QPlainTextEdit &edit);

    // Replaces all spans; they must be ordered by start. Empty spans are left
    // out, as there is nothing to tint.
    void setSpans(QList<Span> spans);
    void clear() { setSpans({}); }
    // The spans as they stand now, ordered by start.
    const QList<Span> &spans() const { return spans_; }

private:
    void follow(int position, int removed, int added);
    void showInView(bool changed);
    void show(qsizetype from, qsizetype to);

    QPlainTextEdit &edit_;
    QList<Span> spans_;
    qsizetype longest_ = 0;
    int characters_; // in the document, as the last change left it
    // The document positions last found in view, or -1 before the first look.
    qsizetype viewFrom_ = -1;
    qsizetype viewTo_ = -1;
    bool showing_ = false;  // handing over the marks makes the editor ask for a repaint
    bool replaced_ = false; // the whole text is being replaced
};

} // namespace ui
