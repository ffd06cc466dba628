#include "checker.h"

#include "reading.h"
#include "scan.h"
#include "searchkey.h"
#include "textposition.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>
#include <vector>

namespace cli {

namespace {

// The search keys of all entries (see DeriveSearchKey()), as views into one
// string that `text` keeps.
QList<QStringView> SearchKeys(const QList<QStringView> &entries, QString &text)
{
    qsizetype size = 0;
    for (const QStringView entry : entries)
        size += entry.size();
    text.reserve(size);
    std::vector<qsizetype> ends;
    ends.reserve(entries.size());
    for (const QStringView entry : entries) {
        detect::AppendSearchKey(entry, text);
        ends.push_back(text.size());
    }
    QList<QStringView> keys;
    keys.reserve(entries.size());
    qsizetype start = 0;
    for (const qsizetype end : ends) {
        keys.append(QStringView(text).sliced(start, end - start));
        start = end;
    }
    return keys;
}

// A JSON string as Qt writes it.
QByteArray JsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.sliced(1, array.size() - 2);
}

} // namespace

void Output::appendNumber(qsizetype number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    buffer_.append(digits, std::size_t(end - digits));
}

bool StreamDestination::write(std::string_view bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), stream_) == bytes.size();
}

bool StreamDestination::write(std::string &bytes)
{
    const bool written = write(std::string_view(bytes));
    bytes.clear();
    return written;
}

bool Output::flush()
{
    if (!failed_ && !buffer_.empty())
        failed_ = !to_.write(buffer_);
    buffer_.clear();
    return !failed_;
}

FormulaChecker::FormulaChecker(const QList<QStringView> &entries, Options options)
    : entries_(entries), matcher_([&] {
          QString keys;
          return std::make_shared<const detect::KeyMatcher>(SearchKeys(entries, keys));
      }()),
      options_(options)
{}

namespace {

// {"class":CLASS,"column": and ,"name":NAME,"why":WHY} of a finding or a
// missed function: JSON objects list their names in order.
void DescribeInJson(const language::FutureFunction *function, const QString &name, QByteArray &head,
                    QByteArray &tail)
{
    head = function
               ? "{\"class\":\"" + QByteArray(language::ClassId(function->futureClass).data()) +
                     "\",\"column\":"
               : QByteArray("{\"column\":");
    tail = ",\"name\":" + JsonString(name);
    if (function)
        tail += ",\"why\":" + JsonString(function->why.toString());
    tail += '}';
}

} // namespace

const FormulaChecker::Found &FormulaChecker::found(qsizetype entry)
{
    auto it = found_.find(entry);
    if (it != found_.end())
        return *it;
    // Names are derived for the entries found only, and repeated entries are
    // told apart only among them: a long list costs nothing more. An entry
    // listed twice occurs twice at each of its places, the earlier listing
    // first.
    Found found;
    const QString text = entries_[entry].toString();
    const auto first = firstListing_.constFind(text);
    found.repeated = first != firstListing_.constEnd();
    if (!found.repeated) {
        firstListing_.insert(text, entry);
        const detect::SearchKey key = detect::DeriveSearchKey(text);
        found.text = (QStringLiteral(": ") + detect::FindingLine(key) + u'\n').toUtf8();
        found.json = ",\"key\":" + JsonString(key.key) + ",\"line\":";
        DescribeInJson(language::FindFutureFunction(key.displayName), key.displayName,
                       found.jsonHead, found.jsonName);
    }
    return *found_.insert(entry, found);
}

const FormulaChecker::Found &FormulaChecker::missed(const language::FutureFunction *function)
{
    auto it = missed_.find(function);
    if (it != missed_.end())
        return *it;
    Found found;
    const QString name = function->name.toString();
    found.text =
        (QStringLiteral(": 发现列表漏掉的未来函数") + name + QStringLiteral("!\n")).toUtf8();
    found.json = ",\"line\":";
    DescribeInJson(function, name, found.jsonHead, found.jsonName);
    return *missed_.insert(function, found);
}

// Writes what a formula gives as the scan finds it.
class FormulaChecker::Writer final : public detect::OccurrenceSink, public detect::ReadingSink
{
public:
    Writer(FormulaChecker &checker, const QString &file, QByteArrayView text, Output &out)
        : checker_(checker), positions_(text), out_(out),
          json_(checker.options_.format == Format::Json)
    {
        if (!json_)
            file_ = file.toUtf8() + ':';
    }

    // Without reading the formula.
    bool take(const detect::Occurrence &occurrence) override { return write(occurrence, nullptr); }

    bool found(const detect::Occurrence &occurrence, language::Context context) override
    {
        if (checker_.options_.codeOnly && context != language::Context::Code)
            return true;
        return write(occurrence, &context);
    }

    bool used(const language::Use &use, bool missed) override
    {
        if (json_) {
            // Their array follows the findings': which they are is kept, a
            // bit each, and they are read again for it.
            missedUses_.push_back(missed);
        } else if (missed && checker_.options_.missed) {
            const detect::TextPosition position = positions_.at(use.start);
            writePlace(position);
            out_.append(checker_.missed(use.function).text);
        }
        missedCount_ += missed;
        return out_.pass();
    }

    // The missed functions' array, from a second reading of `text`.
    void writeMissed(QByteArrayView text)
    {
        if (missedCount_ == 0)
            return;
        language::FormulaReader reader(text);
        detect::PositionCounter positions(text);
        language::Use use;
        bool first = true;
        for (std::size_t i = 0; reader.nextUse(use) && i < missedUses_.size(); ++i) {
            if (!missedUses_[i])
                continue;
            const Found &missed = checker_.missed(use.function);
            const detect::TextPosition position = positions.at(use.start);
            out_.append(first ? QByteArrayView() : QByteArrayView(","));
            out_.append(missed.jsonHead);
            out_.appendNumber(position.column);
            out_.append(missed.json);
            out_.appendNumber(position.line);
            out_.append(missed.jsonName);
            first = false;
            if (!out_.pass())
                return;
        }
    }

    bool anything() const
    {
        return findings_ > 0 || (checker_.options_.missed && missedCount_ > 0);
    }

private:
    bool write(const detect::Occurrence &occurrence, const language::Context *context)
    {
        const Found &entry = checker_.found(occurrence.key);
        if (entry.repeated)
            return true;
        const detect::TextPosition position = positions_.at(occurrence.start);
        if (json_) {
            if (findings_ > 0)
                out_.append(",");
            out_.append(entry.jsonHead);
            out_.appendNumber(position.column);
            if (context) {
                const QLatin1StringView id = language::ContextId(*context);
                out_.append(",\"context\":\"");
                out_.append(QByteArrayView(id.data(), id.size()));
                out_.append("\"");
            }
            out_.append(entry.json);
            out_.appendNumber(position.line);
            out_.append(entry.jsonName);
        } else {
            writePlace(position);
            out_.append(entry.text);
        }
        ++findings_;
        return out_.pass();
    }

    void writePlace(detect::TextPosition position)
    {
        out_.append(file_);
        out_.appendNumber(position.line);
        out_.append(":");
        out_.appendNumber(position.column);
    }

    FormulaChecker &checker_;
    detect::PositionCounter positions_;
    Output &out_;
    bool json_;
    QByteArray file_;
    qsizetype findings_ = 0;
    qsizetype missedCount_ = 0;
    std::vector<bool> missedUses_;
};

bool FormulaChecker::check(const QString &file, QByteArrayView text, Output &out)
{
    Writer writer(*this, file, text, out);
    const bool json = options_.format == Format::Json;
    if (json)
        out.append("{\"file\":" + JsonString(file) + ",\"findings\":[");
    if (json || options_.missed || options_.codeOnly) {
        detect::FormulaReading reading(text, writer);
        matcher_->streamInUtf8(text, reading);
        reading.finish();
    } else {
        // Reading the formula would cost time that this output has no use for.
        matcher_->streamInUtf8(text, writer);
    }
    if (json) {
        out.append("],\"missed\":[");
        writer.writeMissed(text);
        out.append("]}\n");
    }
    out.pass();
    return writer.anything();
}

QByteArray FormulaChecker::JsonFailure(const QString &file, const QString &reason)
{
    return QJsonDocument(
               QJsonObject{{QStringLiteral("file"), file}, {QStringLiteral("error"), reason}})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

} // namespace cli
