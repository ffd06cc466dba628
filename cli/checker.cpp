#include "checker.h"

namespace cli {

FormulaChecker::FormulaChecker(const QList<QStringView> &entries, Options options)
    : search_(entries), options_(options), printer_(makePrinter())
{}

FormulaChecker::FormulaChecker(const FormulaChecker &other)
    : search_(other.search_), options_(other.options_), printer_(makePrinter())
{}

std::unique_ptr<Printer> FormulaChecker::makePrinter() const
{
    if (options_.format == Format::Json)
        return std::make_unique<JsonPrinter>();
    return std::make_unique<TextPrinter>(options_.missed);
}

bool FormulaChecker::check(const QString &file, QByteArrayView text, Output &out)
{
    // What the options select goes to the printer, and what counts is counted.
    class Selection final : public detect::ReportSink
    {
    public:
        Selection(FormulaChecker &checker) : checker_(checker) {}
        bool finding(const detect::Finding &finding) override
        {
            if (checker_.options_.codeOnly && finding.context != language::Context::Code)
                return true;
            ++findings_;
            return checker_.printer_->finding(finding, checker_.search_.entry(finding.listing));
        }
        bool used(const detect::FunctionUse &use) override
        {
            missed_ += use.missed;
            return checker_.printer_->used(use);
        }
        bool anything() const { return findings_ > 0 || (checker_.options_.missed && missed_ > 0); }

    private:
        FormulaChecker &checker_;
        qsizetype findings_ = 0;
        qsizetype missed_ = 0;
    } selection(*this);

    printer_->begin(file, text, out);
    // Reading the formula costs time that plain findings have no use for.
    search_.search(text, selection, json() || options_.missed || options_.codeOnly);
    printer_->end();
    out.pass();
    return selection.anything();
}

} // namespace cli
