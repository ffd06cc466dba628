#pragma once

#include "findingsmodel.h"
#include "formulamarks.h"
#include "scan.h"

#include <QObject>

class QAbstractButton;
class QLabel;
class QPlainTextEdit;
class QTextBlock;

// Shows where the last scan's findings stand in the formula (see
// ui::FindingsModel): marks them, selects the next occurrence on a click on
// a finding line of the result, or the next missed function on a click on
// the note that names them, and says on hover how often and where something
// occurs, and why it sees the future.
class FindingsInFormula : public QObject
{
    Q_OBJECT

public:
    // `missedNote` is shown while a scan's missed functions are, `verdict`
    // while what they and the findings in code reach is.
    FindingsInFormula(QPlainTextEdit &formula, QPlainTextEdit &result, QAbstractButton &missedNote,
                      QLabel &verdict, QObject *parent);

    // Marks what a scan of the formula as it is now has found; the result
    // box holds the scan's result.
    void show(const detect::Findings &findings);
    // Drops the marks, the findings, the note and the verdict: the result
    // lines then do nothing.
    void forget();

    // Selects the next occurrence after the formula's selection or caret,
    // going round to the first, for a result line naming a finding.
    void jumpFrom(const QTextBlock &line);
    // Selects the next missed function in the same way.
    void jumpToMissed();
    // What the tooltip of a result line says; empty for any other line, or
    // when none of its occurrences is left.
    QString describe(const QTextBlock &line) const;
    // What each mark at a position of the formula stands for; empty where
    // there is none.
    QString describeAt(qsizetype position) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The finding line of the result that a line of the box is, or -1.
    qsizetype findingLine(const QTextBlock &line) const;
    void selectNext(const QList<ui::FindingsModel::Place> &places);
    // One line, cut short with "…" where its width ends, whole to the eye in
    // its tooltip and to screen readers, which are told when it appears.
    void showLine(QWidget &line, const QString &text);

    QPlainTextEdit &formula_;
    QPlainTextEdit &result_;
    QAbstractButton &note_;
    QLabel &verdict_;
    ui::FormulaMarks *marks_;
    ui::FindingsModel model_;
};
