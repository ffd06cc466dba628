#include "printer.h"

#include "json.h"
#include "scan.h"

namespace cli {

void TextPrinter::begin(const QString &file, QByteArrayView text, Output &out)
{
    out_ = &out;
    text_ = text;
    file_ = file.toStdString() + ':';
    positions_ = std::make_unique<detect::PositionCounter>(text);
    reaches_.reset();
    places_.reset();
}

void TextPrinter::reaching(std::shared_ptr<const language::Reach> reach)
{
    if (!reach_)
        return;
    reaches_ = std::move(reach);
    places_ = std::make_unique<detect::StatementPlaces>(text_, reaches_->statements());
}

bool TextPrinter::writeLine(qsizetype start, std::string_view message, const OfUse *reaches)
{
    const detect::TextPosition position = positions_->at(start);
    out_->append(file_);
    out_->appendNumber(position.line);
    out_->append(":");
    out_->appendNumber(position.column);
    out_->append(message);
    if (reaches && reaches_) {
        out_->append(" ");
        out_->append(
            detect::ReachInWords(*reaches_, {*reaches}, *places_).join(u'；').toStdString());
    }
    out_->append("\n");
    return out_->pass();
}

bool TextPrinter::finding(const detect::Finding &finding, const detect::ReportedEntry &entry,
                          const OfUse *reaches)
{
    auto message = messages_.constFind(finding.listing);
    if (message == messages_.constEnd()) {
        message = messages_.insert(
            finding.listing, (QStringLiteral(": ") + detect::FindingLine(entry.key)).toStdString());
    }
    return writeLine(finding.start, *message, reaches);
}

bool TextPrinter::used(const detect::FunctionUse &use, const OfUse *reaches)
{
    if (!use.missed || !missed_)
        return true;
    auto message = missedMessages_.constFind(use.use.function);
    if (message == missedMessages_.constEnd()) {
        message =
            missedMessages_.insert(use.use.function, (QStringLiteral(": 发现列表漏掉的未来函数") +
                                                      use.use.function->name + u'!')
                                                         .toStdString());
    }
    return writeLine(use.use.start, *message, reaches);
}

namespace {

// JSON's text of a class and of a context.
std::string QuotedId(QLatin1StringView id)
{
    return '"' + std::string(id.data(), std::size_t(id.size())) + '"';
}

const std::string kKinds[] = {QuotedId(QLatin1StringView("line")),
                              QuotedId(QLatin1StringView("signal"))};

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
    reach_.reset();
    places_.reset();
    missed_.clear();
    json_.emplace(out.buffer());
    json_->beginObject().key("file").value(file).key("findings").beginArray();
}

void JsonPrinter::reaching(std::shared_ptr<const language::Reach> reach)
{
    reach_ = std::move(reach);
    places_ = std::make_unique<detect::StatementPlaces>(text_, reach_->statements());
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
                        std::string_view context, const OfUse *reaches)
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
    // Each output as the table writes names: an unnamed one by its drawing.
    json.key("reaches").beginArray();
    for (const language::Reach::Output &output :
         reaches ? reaches->outputs : QList<language::Reach::Output>()) {
        const language::Statement &statement = reach_->statements()[output.statement];
        const detect::TextPosition place = places_->of(output.statement);
        json.beginObject()
            .key("column")
            .value(place.column)
            .key("kind")
            .quoted(kKinds[int(output.kind)])
            .key("line")
            .value(place.line)
            .key("name")
            .value(statement.nameBytes.isEmpty() ? QString(statement.drawing) : statement.name())
            .key("via")
            .beginArray();
        qsizetype more = 0;
        for (const QString &name :
             reach_->via(reaches->statement, output.statement, language::Reach::kListed, &more))
            json.value(name);
        json.endArray();
        if (more > 0)
            json.key("viaMore").value(more);
        json.endObject();
    }
    json.endArray();
    if (reaches && reaches->more > 0)
        json.key("reachesMore").value(reaches->more);
    if (!described.why.empty())
        json.key("why").quoted(described.why);
    json.endObject();
}

bool JsonPrinter::finding(const detect::Finding &finding, const detect::ReportedEntry &entry,
                          const OfUse *reaches)
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
    write(*described, positions_->at(finding.start), kContexts[int(finding.context)], reaches);
    return out_->pass();
}

bool JsonPrinter::used(const detect::FunctionUse &use, const OfUse *)
{
    // Their array follows the findings'.
    if (use.missed) {
        missed_.emplace_back(use.use.start,
                             std::size_t(use.use.function - language::FutureFunctions().data()));
    }
    return true;
}

void JsonPrinter::end(language::Verdict verdict)
{
    json_->endArray().key("missed").beginArray();
    detect::PositionCounter positions(text_);
    for (const auto &[start, index] : missed_) {
        const std::optional<OfUse> reaches =
            reach_ ? std::optional(reach_->of(start, language::Reach::kListed)) : std::nullopt;
        write(describe(&language::FutureFunctions()[index]), positions.at(start), {},
              reaches ? &*reaches : nullptr);
        if (!out_->pass())
            return;
    }
    json_->endArray().key("verdict").value(QString(language::VerdictId(verdict))).endObject();
    out_->append("\n");
}

std::string JsonPrinter::FailureLine(const QString &file, const QString &reason)
{
    std::string line;
    JsonWriter(line).beginObject().key("error").value(reason).key("file").value(file).endObject();
    return line + '\n';
}

} // namespace cli
