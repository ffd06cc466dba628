#include "checker.h"

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

bool Output::flush()
{
    if (!failed_ && !buffer_.empty())
        failed_ = std::fwrite(buffer_.data(), 1, buffer_.size(), stream_) != buffer_.size();
    buffer_.clear();
    return !failed_;
}

FormulaChecker::FormulaChecker(const QList<QStringView> &entries, Format format)
    : entries_(entries), matcher_(SearchKeys(entries, keys_)), format_(format)
{}

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
        found.jsonName = ",\"name\":" + JsonString(key.displayName) + '}';
    }
    return *found_.insert(entry, found);
}

bool FormulaChecker::check(const QString &file, QByteArrayView text, Output &out)
{
    struct Writer final : detect::OccurrenceSink
    {
        Writer(FormulaChecker &checker, QByteArrayView text, Output &out)
            : checker(checker), positions(text), out(out)
        {}
        bool take(const detect::Occurrence &occurrence) override
        {
            const Found &entry = checker.found(occurrence.key);
            if (entry.repeated)
                return true;
            const detect::TextPosition position = positions.at(occurrence.start);
            if (checker.format_ == Format::Json) {
                out.append(any ? ",{\"column\":" : "{\"column\":");
                out.appendNumber(position.column);
                out.append(entry.json);
                out.appendNumber(position.line);
                out.append(entry.jsonName);
            } else {
                out.append(file);
                out.appendNumber(position.line);
                out.append(":");
                out.appendNumber(position.column);
                out.append(entry.text);
            }
            any = true;
            return out.pass();
        }

        FormulaChecker &checker;
        detect::PositionCounter positions;
        Output &out;
        QByteArray file;
        bool any = false;
    } writer(*this, text, out);

    if (format_ == Format::Json) {
        out.append("{\"file\":" + JsonString(file) + ",\"findings\":[");
        matcher_.streamInUtf8(text, writer);
        out.append("]}\n");
    } else {
        writer.file = file.toUtf8() + ':';
        matcher_.streamInUtf8(text, writer);
    }
    out.pass();
    return writer.any;
}

QByteArray FormulaChecker::JsonFailure(const QString &file, const QString &reason)
{
    return QJsonDocument(
               QJsonObject{{QStringLiteral("file"), file}, {QStringLiteral("error"), reason}})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

} // namespace cli
