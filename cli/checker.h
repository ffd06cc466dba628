#pragma once

#include "output.h"
#include "printer.h"
#include "report.h"

#include <QList>
#include <QStringView>

#include <memory>

namespace cli {

// Checks formulas for the entries of one keyword list and prints what it
// finds, as the options choose.
class FormulaChecker
{
public:
    enum class Format {
        Text, // "FILE:LINE:COLUMN: 发现未来函数NAME!" per finding
        Json, // one object per file on one line: the file and its findings
    };

    struct Options
    {
        Format format = Format::Text;
        // Also report the known future functions in code that the list missed.
        bool missed = false;
        // Leave out what stands in a comment, a string or a longer name.
        bool codeOnly = false;
        // Report only what reaches a signal; what stands outside code reaches nothing.
        bool signalsOnly = false;
        // Say in the text what each finding in code reaches.
        bool reach = false;
    };

    // The entries are views into strings that must outlive the checker.
    FormulaChecker(const QList<QStringView> &entries, Options options);
    // For a thread of its own: the matcher is shared, what is found is not.
    FormulaChecker(const FormulaChecker &other);

    // Prints every occurrence of every entry's key in `text` (UTF-8), in
    // text order, at one place in list order; an entry listed more than once
    // is reported once. Returns whether anything that counts was found.
    bool check(const QString &file, QByteArrayView text, Output &out);

    bool json() const { return options_.format == Format::Json; }

private:
    std::unique_ptr<Printer> makePrinter() const;

    detect::FormulaSearch search_;
    Options options_;
    std::unique_ptr<Printer> printer_;
};

} // namespace cli
