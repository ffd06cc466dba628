#pragma once

#include "formulamarks.h"
#include "scan.h"

#include <QObject>

class QAbstractButton;
class QPlainTextEdit;

// Shows where the last scan's findings stand in the formula: marks every
// occurrence, those that do not count (in a comment, a string or a longer
// name) paler, and the known future functions that the list missed in a tint
// of their own; selects the next occurrence on a click on a finding line of
// the result, or the next missed function on a click on the note that names
// them; and says on hover how often and where something occurs, and why it
// sees the future.
//
// Entries sharing a display name ("$ZIG" and "ZIG") share a result line, so
// such a line stands for all their occurrences together; where two begin at
// the same place, they count once, as the longer.
class FindingsInFormula : public QObject
{
    Q_OBJECT

public:
    // `missedNote` is shown while a scan's missed functions are.
    FindingsInFormula(QPlainTextEdit &formula, QPlainTextEdit &result, QAbstractButton &missedNote,
                      QObject *parent);

    // Marks what a scan of the formula as it is now has found.
    void show(const detect::Findings &findings);
    // Drops the marks, the findings and the note: the result lines then do nothing.
    void forget();

    // Selects the next occurrence after the formula's selection or caret,
    // going round to the first, for a result line naming a finding.
    void jumpFrom(const QString &line);
    // Selects the next missed function in the same way.
    void jumpToMissed();
    // "ZIG( 出现 3 次：第 12、40、41 行", then why the function sees the
    // future, and how many occurrences stand where they do not count, for a
    // result line naming a finding; empty for any other line, or when none of
    // its occurrences is left.
    QString describe(const QString &line) const;
    // What each mark at a position of the formula stands for; empty where
    // there is none.
    QString describeAt(qsizetype position) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What a mark stands for: an occurrence of a finding, or a missed function.
    struct Marked
    {
        qsizetype finding; // index in found_; -1 for a missed function
        language::Context context;
        const language::FutureFunction *function; // null for an entry not in the table
    };
    struct Place
    {
        qsizetype start;
        qsizetype length;
        language::Context context;
    };
    // Where the marks that `counts` picks stand now, ordered by start, two
    // at one start as one; and the keys of the findings among them, when
    // `keys` is given.
    template <typename Counts>
    QList<Place> placesOf(Counts &&counts, QStringList *keys = nullptr) const;
    QList<Place> placesOf(const QString &line, QStringList *keys = nullptr) const;
    void selectNext(const QList<Place> &places);
    // "第 3、5、8 行", at most 20 lines.
    QString lineNumbers(const QList<Place> &places) const;
    void showNote(const QStringList &missedNames);

    QPlainTextEdit &formula_;
    QAbstractButton &note_;
    ui::FormulaMarks *marks_;
    QList<detect::SearchKey> found_;
    QList<Marked> marked_; // by the marks' tags
};
