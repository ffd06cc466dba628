#pragma once

#include <QColor>
#include <QList>
#include <QObject>

#include <cstdint>

class QPlainTextEdit;

namespace ui {

// How a mark looks: what the list found in code, what it found where it does
// not count (a comment, a string, a longer name), and what it missed.
enum class Look : std::uint8_t { Finding, Aside, Missed };

// The background of a mark: a light yellow, like a highlighter, a paler one
// for what does not count, and a light red for what the list missed; the
// formula's dark blue stays easy to read on each. What does not count is
// also underlined with dots.
QColor MarkTint(Look look = Look::Finding);

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
        Look look = Look::Finding;
        bool operator==(const Span &) const = default;
    };

    explicit FormulaMarks(QPlainTextEdit &edit);

    // Replaces all spans; they must be ordered by start. Empty spans are left
    // out, as there is nothing to tint.
    void setSpans(QList<Span> spans);
    void clear() { setSpans({}); }
    // The spans as they stand now, ordered by start.
    const QList<Span> &spans() const { return spans_; }
    // Those that cover the character at `position`.
    QList<Span> spansAt(qsizetype position) const;

signals:
    // The whole text was replaced, and the spans with it.
    void replaced();

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
