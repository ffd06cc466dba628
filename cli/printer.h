#pragma once

#include "json.h"
#include "output.h"
#include "reachwords.h"
#include "report.h"
#include "textposition.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// Prints what the search reports of one formula file after another; what a
// use in code reaches comes with it when the search follows the statements.
class Printer
{
public:
    using OfUse = language::Reach::OfUse;

    virtual ~Printer() = default;
    virtual void begin(const QString &file, QByteArrayView text, Output &out) = 0;
    // Before anything that reaches.
    virtual void reaching(std::shared_ptr<const language::Reach> reach) { Q_UNUSED(reach); }
    // False once the output failed.
    virtual bool finding(const detect::Finding &finding, const detect::ReportedEntry &entry,
                         const OfUse *reaches) = 0;
    virtual bool used(const detect::FunctionUse &use, const OfUse *reaches) = 0;
    virtual void end(language::Verdict verdict) = 0;
};

// "FILE:LINE:COLUMN: 发现未来函数NAME!" for each finding, and with `missed`
// "FILE:LINE:COLUMN: 发现列表漏掉的未来函数NAME!" for each function the list
// missed.
//
// With `reach`, a line of something in code goes on with what it reaches:
// " 影响信号：XG（第5行，经 A、B）；影响画线：MA1（第3行）" or " 没有影响任何输出".
class TextPrinter final : public Printer
{
public:
    TextPrinter(bool missed, bool reach) : missed_(missed), reach_(reach) {}
    void begin(const QString &file, QByteArrayView text, Output &out) override;
    void reaching(std::shared_ptr<const language::Reach> reach) override;
    bool finding(const detect::Finding &finding, const detect::ReportedEntry &entry,
                 const OfUse *reaches) override;
    bool used(const detect::FunctionUse &use, const OfUse *reaches) override;
    void end(language::Verdict) override {}

private:
    bool writeLine(qsizetype start, std::string_view message, const OfUse *reaches);

    bool missed_;
    bool reach_;
    Output *out_ = nullptr;
    QByteArrayView text_;
    std::shared_ptr<const language::Reach> reaches_;
    std::unique_ptr<detect::StatementPlaces> places_;
    std::string file_; // "FILE:"
    std::unique_ptr<detect::PositionCounter> positions_;
    QHash<qsizetype, std::string> messages_; // ": 发现未来函数NAME!", by listing
    QHash<const language::FutureFunction *, std::string> missedMessages_;
};

// One object per file on a line of its own, clean files too:
// {"file":FILE,"findings":[…],"missed":[…],"verdict":VERDICT}; each finding
// and missed function with its class, column, context, key, line, name,
// reaches (each output reached: its column, kind, line, name and the
// definitions on the way to it) and why, as far as it has them.
class JsonPrinter final : public Printer
{
public:
    void begin(const QString &file, QByteArrayView text, Output &out) override;
    void reaching(std::shared_ptr<const language::Reach> reach) override;
    bool finding(const detect::Finding &finding, const detect::ReportedEntry &entry,
                 const OfUse *reaches) override;
    bool used(const detect::FunctionUse &use, const OfUse *reaches) override;
    void end(language::Verdict verdict) override;

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
    void write(const Described &described, detect::TextPosition position, std::string_view context,
               const OfUse *reaches);

    Output *out_ = nullptr;
    std::optional<JsonWriter> json_; // into out_'s batch, which keeps its string
    QByteArrayView text_;
    std::unique_ptr<detect::PositionCounter> positions_;
    std::shared_ptr<const language::Reach> reach_;
    std::unique_ptr<detect::StatementPlaces> places_;
    // The functions missed, for the array after the findings: where each
    // starts and its place in the table.
    std::vector<std::pair<qsizetype, std::size_t>> missed_;
    QHash<qsizetype, Described> entries_; // by listing
    QHash<const language::FutureFunction *, Described> functions_;
};

} // namespace cli
