#pragma once

#include "scan.h"
#include "views.h"

#include <QStringList>

#include <type_traits>

// The scan's views over plain data, standing in for the window's controls.
class MemoryKeywordList : public detect::KeywordListView
{
public:
    explicit MemoryKeywordList(QStringList entries = {}) : entries(std::move(entries)) {}

    qsizetype count() const override { return entries.size(); }
    QString entry(qsizetype index) const override { return entries.at(index); }
    qsizetype selection() const override { return selected; }
    void setSelection(qsizetype index) override
    {
        // A list control refuses an index it does not hold.
        if (index < -1 || index >= entries.size())
            ++outOfRangeSelections;
        else
            selected = index;
    }

    QStringList entries;
    qsizetype selected = -1;
    int outOfRangeSelections = 0;
};

class MemoryFormulaText : public detect::FormulaTextView
{
public:
    explicit MemoryFormulaText(QString text = {}) : text_(std::move(text)) {}
    QString text() const override { return text_; }

private:
    QString text_;
};

class MemoryResultText : public detect::ResultTextView
{
public:
    QString text() const override { return shown; }
    void setText(const QString &text) override { shown = text; }
    void setTextColor(detect::Rgb color) override { this->color = color; }

    QString shown;
    // Neither colour the scan sets, so a scan that sets none shows.
    detect::Rgb color{0, 0, 255};
};

// What a scan leaves in the views.
struct ScanOutcome
{
    QString text;
    detect::Rgb color;
    qsizetype selection;
    int outOfRangeSelections;
    detect::Findings findings; // what the real scan reports for showing where
};

// Runs a scan (the real one or a reference) over `entries` and `formula`,
// with an earlier result showing.
template <typename Scan>
ScanOutcome ScanWith(Scan scan, const QStringList &entries, const QString &formula)
{
    MemoryKeywordList list(entries);
    const MemoryFormulaText text(formula);
    MemoryResultText result;
    result.shown = QStringLiteral("an earlier result");
    detect::Findings findings;
    if constexpr (std::is_void_v<decltype(scan(list, text, result))>)
        scan(list, text, result);
    else
        findings = scan(list, text, result);
    return {result.shown, result.color, list.selected, list.outOfRangeSelections, findings};
}
