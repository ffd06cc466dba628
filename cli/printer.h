#pragma once

#include "json.h"
#include "output.h"
#include "report.h"
#include "textposition.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// Prints what the search reports of one formula file after another.
class Printer
{
public:
    virtual ~Printer() = default;
    virtual void begin(const QString &file, QByteArrayView text, Output &out) = 0;
    // False once the output failed.
    virtual bool finding(const detect::Finding &finding, const detect::ReportedEntry &entry) = 0;
    virtual bool used(const detect::FunctionUse &use) = 0;
    virtual void end() = 0;
};

// "FILE:LINE:COLUMN: 发现未来函数NAME!" for each finding, and with `missed`
// "FILE:LINE:COLUMN: 发现列表漏掉的未来函数NAME!" for each function the list
// missed.
class TextPrinter final : public Printer
{
public:
    explicit TextPrinter(bool missed) : missed_(missed) {}
    void begin(const QString &file, QByteArrayView text, Output &out) override;
    bool finding(const detect::Finding &finding, const detect::ReportedEntry &entry) override;
    bool used(const detect::FunctionUse &use) override;
    void end() override {}

private:
    bool writeLine(qsizetype start, std::string_view message);

    bool missed_;
    Output *out_ = nullptr;
    std::string file_; // "FILE:"
    std::unique_ptr<detect::PositionCounter> positions_;
    QHash<qsizetype, std::string> messages_; // ": 发现未来函数NAME!\n", by listing
    QHash<const language::FutureFunction *, std::string> missedMessages_;
};

// One object per file on a line of its own, clean files too:
// {"file":FILE,"findings":[…],"missed":[…]}; each finding and missed function
// with its class, column, context, key, line, name and why, as far as it has
// them.
class JsonPrinter final : public Printer
{
public:
    void begin(const QString &file, QByteArrayView text, Output &out) override;
    bool finding(const detect::Finding &finding, const detect::ReportedEntry &entry) override;
    bool used(const detect::FunctionUse &use) override;
    void end() override;

    // The line for a file that could not be checked: {"error":REASON,"file":FILE}.
    static std::string FailureLine(const QString &file, const QString &reason);

private:
    // The strings of a finding or a missed function, written as JSON once.
    struct Described
    {
        std::string classId; // empty for an entry not in the table
        std::string key;     // empty for a missed function
        std::string name;
        std::string why; // empty for an entry not in the table
    };
    const Described &describe(const language::FutureFunction *function);
    void write(const Described &described, detect::TextPosition position, std::string_view context);

    Output *out_ = nullptr;
    std::optional<JsonWriter> json_; // into out_'s batch, which keeps its string
    QByteArrayView text_;
    std::unique_ptr<detect::PositionCounter> positions_;
    // The functions missed, for the array after the findings: where each
    // starts and its place in the table.
    std::vector<std::pair<qsizetype, std::size_t>> missed_;
    QHash<qsizetype, Described> entries_; // by listing
    QHash<const language::FutureFunction *, Described> functions_;
};

} // namespace cli
