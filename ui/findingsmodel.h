#pragma once

#include "formulamarks.h"
#include "scan.h"

#include <QList>
#include <QString>

#include <functional>

namespace ui {

// What the window makes of a scan's findings, without the widgets: the marks
// of every occurrence (those that do not count paler) and of every known
// future function that the list missed; which occurrences a result line
// stands for, in the order a click visits them; and what the tooltips and
// the note say.
//
// Entries sharing a display name ("$ZIG" and "ZIG") share a result line, so
// such a line stands for all their occurrences together; where two begin at
// the same place, they count once, as the longer. The marks may have moved
// with edits since, or gone with their text: where they stand now is given
// as spans with the tags that marks() gave them.
class FindingsModel
{
public:
    using Span = FormulaMarks::Span;
    // The line of the formula, from 1, that a position stands on.
    using LineOf = std::function<int(qsizetype position)>;

    struct Place
    {
        qsizetype start;
        qsizetype length;
        language::Context context;
        bool operator==(const Place &) const = default;
    };

    FindingsModel() = default;
    explicit FindingsModel(const detect::Findings &findings);

    // The marks, ordered by start.
    const QList<Span> &marks() const { return marks_; }

    // The result's finding lines, from the top.
    qsizetype lineCount() const { return lines_.size(); }
    QString lineText(qsizetype line) const;

    // Where the occurrences of a result line stand, or the missed functions,
    // ordered by start, two at one start as one.
    QList<Place> placesOfLine(qsizetype line, const QList<Span> &spans) const;
    QList<Place> missedPlaces(const QList<Span> &spans) const;

    // "ZIG( 出现 3 次：第 12、40、41 行", then why the function sees the
    // future, and how many occurrences stand where they do not count; empty
    // when none of the line's occurrences is left.
    QString describeLine(qsizetype line, const QList<Span> &spans, const LineOf &lineOf) const;
    // What each of the marks `covering` a place stands for.
    QString describeMarks(const QList<Span> &covering) const;

    // "另有列表漏掉的未来函数：" and their names, each once; empty when none.
    QString note() const;

    // What the future functions in code reach, as a whole: "未来函数影响信号："
    // and the names of the signals, "未来函数只影响画线",
    // "未来函数没有影响任何输出", or nothing when there is none in code.
    QString verdict() const { return verdict_; }
    language::Verdict verdictKind() const { return verdictKind_; }

private:
    // What a mark stands for: an occurrence of an entry found, or a missed function.
    struct Marked
    {
        qsizetype found; // index in found_; -1 for a missed function
        language::Context context;
        const language::FutureFunction *function; // null for an entry not in the table
        qsizetype at;                             // in the formula's UTF-8
        bool inCode() const { return context == language::Context::Code; }
    };
    // What the uses in code among the marks reach, in words.
    QStringList reachOf(const QList<Span> &spans) const;
    // Those of a line's entries, a flag for each entry found.
    QList<bool> entriesOfLine(qsizetype line) const;
    template <typename Counts>
    QList<Place> placesOf(const QList<Span> &spans, Counts &&counts,
                          QStringList *keys = nullptr) const;

    QList<detect::ReportedEntry> found_; // the entries found, in list order
    QList<qsizetype> lines_;             // indices in found_
    QList<Marked> marked_;               // by the marks' tags
    QList<Span> marks_;
    QStringList missedNames_;
    std::shared_ptr<const detect::FormulaReach> reach_;
    QString verdict_;
    language::Verdict verdictKind_ = language::Verdict::None;
};

} // namespace ui
