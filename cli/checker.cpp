#include "checker.h"

#include <optional>

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
    return std::make_unique<TextPrinter>(options_.missed, options_.reach);
}

bool FormulaChecker::check(const QString &file, QByteArrayView text, Output &out)
{
    // What the options select goes to the printer, and what counts is
    // counted; the verdict is of every use in code, whatever is printed.
    class Selection final : public detect::ReportSink
    {
    public:
        Selection(FormulaChecker &checker) : checker_(checker), options_(checker.options_) {}

        void reaching(std::shared_ptr<const language::Reach> reach) override
        {
            reach_ = reach.get();
            checker_.printer_->reaching(std::move(reach));
        }
        bool finding(const detect::Finding &finding) override
        {
            const bool inCode = finding.context == language::Context::Code;
            const std::optional<Printer::OfUse> reaches = of(inCode, finding.start);
            if ((options_.codeOnly && !inCode) || (options_.signalsOnly && !signal(reaches)))
                return true;
            ++findings_;
            return checker_.printer_->finding(finding, checker_.search_.entry(finding.listing),
                                              reaches ? &*reaches : nullptr);
        }
        bool used(const detect::FunctionUse &use) override
        {
            const std::optional<Printer::OfUse> reaches = of(use.missed, use.use.start);
            if (options_.signalsOnly && !signal(reaches))
                return true;
            missed_ += use.missed;
            return checker_.printer_->used(use, reaches ? &*reaches : nullptr);
        }
        bool anything() const { return findings_ > 0 || (options_.missed && missed_ > 0); }
        language::Verdict verdict() const { return verdict_.verdict(); }

    private:
        // What a use reaches: each counted once, at a finding in code or a
        // missed function.
        std::optional<Printer::OfUse> of(bool use, qsizetype at)
        {
            if (!use || !reach_)
                return std::nullopt;
            Printer::OfUse reaches = reach_->of(at, language::Reach::kListed);
            verdict_.add(reaches);
            return reaches;
        }
        static bool signal(const std::optional<Printer::OfUse> &reaches)
        {
            return reaches && reaches->signal;
        }

        FormulaChecker &checker_;
        const Options &options_;
        const language::Reach *reach_ = nullptr;
        language::VerdictTally verdict_;
        qsizetype findings_ = 0;
        qsizetype missed_ = 0;
    } selection(*this);

    printer_->begin(file, text, out);
    // Reading the formula costs time that plain findings have no use for.
    const detect::Reading reading =
        json() || options_.reach || options_.signalsOnly ? detect::Reading::Reach
        : options_.missed || options_.codeOnly           ? detect::Reading::Contexts
                                                         : detect::Reading::Occurrences;
    search_.search(text, selection, reading);
    printer_->end(selection.verdict());
    out.pass();
    return selection.anything();
}

} // namespace cli
