#pragma once

#include <QString>

namespace detect {

// A text colour as red, green and blue bytes.
struct Rgb
{
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb &) const = default;
};

inline constexpr Rgb kFindingColor{255, 0, 0};
inline constexpr Rgb kNothingFoundColor{0, 0, 0};

// The keyword list as the scan sees it: entries in file order and a
// selection index, -1 for none.
class KeywordListView
{
public:
    virtual ~KeywordListView() = default;
    virtual qsizetype count() const = 0;
    virtual QString entry(qsizetype index) const = 0;
    virtual qsizetype selection() const = 0;
    virtual void setSelection(qsizetype index) = 0;
};

// The formula the user typed or pasted.
class FormulaTextView
{
public:
    virtual ~FormulaTextView() = default;
    virtual QString text() const = 0;
};

// Where the scan writes its findings.
class ResultTextView
{
public:
    virtual ~ResultTextView() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual void setTextColor(Rgb color) = 0;
};

} // namespace detect
