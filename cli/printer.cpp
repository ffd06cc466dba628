#include "printer.h"

#include "json.h"
#include "scan.h"

namespace cli {

void TextPrinter::begin(const QString &file, QByteArrayView text, Output &out)
{
    out_ = &out;
    file_ = file.toStdString() + ':';
    positions_ = std::make_unique<detect::PositionCounter>(text);
}

bool TextPrinter::writeLine(qsizetype start, std::string_view message)
{
    const detect::TextPosition position = positions_->at(start);
    out_->append(file_);
    out_->appendNumber(position.line);
    out_->append(":");
    out_->appendNumber(position.column);
    out_->append(message);
    return out_->pass();
}

bool TextPrinter::finding(const detect::Finding &finding, const detect::ReportedEntry &entry)
{
    auto message = messages_.constFind(finding.listing);
    if (message == messages_.constEnd()) {
        message = messages_.insert(
            finding.listing,
            (QStringLiteral(": ") + detect::FindingLine(entry.key) + u'\n').toStdString());
    }
    return writeLine(finding.start, *message);
}

bool TextPrinter::used(const detect::FunctionUse &use)
{
    if (!use.missed || !missed_)
        return true;
    auto message = missedMessages_.constFind(use.use.function);
    if (message == missedMessages_.constEnd()) {
        message = missedMessages_.insert(use.use.function,
                                         (QStringLiteral(": 发现列表漏掉的未来函数") +
                                          use.use.function->name + QStringLiteral("!\n"))
                                             .toStdString());
    }
    return writeLine(use.use.start, *message);
}

namespace {

// JSON's text of a class and of a context.
std::string QuotedId(QLatin1StringView id)
{
    return '"' + std::string(id.data(), std::size_t(id.size())) + '"';
}

const std::string kContexts[] = {
    QuotedId(language::ContextId(language::Context::Code)),
    QuotedId(language::ContextId(language::Context::Comment)),
    QuotedId(language::ContextId(language::Context::String)),
    QuotedId(language::ContextId(language::Context::Name)),
};

} // namespace

void JsonPrinter::begin(const QString &file, QByteArrayView text, Output &out)
{
    out_ = &out;
    text_ = text;
    positions_ = std::make_unique<detect::PositionCounter>(text);
    missed_.clear();
    json_.emplace(out.buffer());
    json_->beginObject().key("file").value(file).key("findings").beginArray();
}

const JsonPrinter::Described &JsonPrinter::describe(const language::FutureFunction *function)
{
    auto described = functions_.constFind(function);
    if (described == functions_.constEnd()) {
        described = functions_.insert(function, {QuotedId(language::ClassId(function->futureClass)),
                                                 {},
                                                 JsonWriter::Quoted(QString(function->name)),
                                                 JsonWriter::Quoted(function->why)});
    }
    return *described;
}

void JsonPrinter::write(const Described &described, detect::TextPosition position,
                        std::string_view context)
{
    // Members in the order of their names, as Qt's JSON writer orders them.
    JsonWriter &json = *json_;
    json.beginObject();
    if (!described.classId.empty())
        json.key("class").quoted(described.classId);
    json.key("column").value(position.column);
    if (!context.empty())
        json.key("context").quoted(context);
    if (!described.key.empty())
        json.key("key").quoted(described.key);
    json.key("line").value(position.line).key("name").quoted(described.name);
    if (!described.why.empty())
        json.key("why").quoted(described.why);
    json.endObject();
}

bool JsonPrinter::finding(const detect::Finding &finding, const detect::ReportedEntry &entry)
{
    auto described = entries_.constFind(finding.listing);
    if (described == entries_.constEnd()) {
        const language::FutureFunction *function = entry.function;
        described = entries_.insert(
            finding.listing,
            {function ? QuotedId(language::ClassId(function->futureClass)) : std::string(),
             JsonWriter::Quoted(entry.key.key), JsonWriter::Quoted(entry.key.displayName),
             function ? JsonWriter::Quoted(function->why) : std::string()});
    }
    write(*described, positions_->at(finding.start), kContexts[int(finding.context)]);
    return out_->pass();
}

bool JsonPrinter::used(const detect::FunctionUse &use)
{
    // Their array follows the findings'.
    if (use.missed) {
        missed_.emplace_back(use.use.start,
                             std::size_t(use.use.function - language::FutureFunctions().data()));
    }
    return true;
}

void JsonPrinter::end()
{
    json_->endArray().key("missed").beginArray();
    detect::PositionCounter positions(text_);
    for (const auto &[start, index] : missed_) {
        write(describe(&language::FutureFunctions()[index]), positions.at(start), {});
        if (!out_->pass())
            return;
    }
    json_->endArray().endObject();
    out_->append("\n");
}

std::string JsonPrinter::FailureLine(const QString &file, const QString &reason)
{
    std::string line;
    JsonWriter(line).beginObject().key("error").value(reason).key("file").value(file).endObject();
    return line + '\n';
}

} // namespace cli
