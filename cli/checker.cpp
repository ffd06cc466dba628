#include "checker.h"

#include "matchtext.h"
#include "scan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <vector>

namespace cli {

namespace {

QStringList SearchKeys(const QStringList &entries)
{
    QStringList keys;
    keys.reserve(entries.size());
    for (const QString &entry : entries)
        keys.append(detect::DeriveSearchKey(entry).key);
    return keys;
}

QByteArray JsonLine(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

FormulaChecker::FormulaChecker(const QStringList &entries)
    : entries_(entries), matcher_(SearchKeys(entries))
{}

QList<Finding> FormulaChecker::check(QStringView formula) const
{
    const QByteArray bytes = detect::MatchableText(formula);
    const QList<detect::Occurrence> occurrences = matcher_.locateInUtf8(bytes);
    // Names are derived for the entries found only, and repeated entries
    // are told apart only among them: a long list costs nothing more. An
    // entry listed twice occurs twice at each of its places, the earlier
    // listing first.
    constexpr qsizetype kNotYetFound = -1;
    constexpr qsizetype kListedBefore = -2;
    std::vector<qsizetype> foundAs(std::size_t(entries_.size()), kNotYetFound);
    QList<detect::SearchKey> found;
    QSet<QString> foundEntries;
    QList<Finding> findings;
    findings.reserve(occurrences.size());
    detect::PositionCounter positions(bytes);
    for (const detect::Occurrence &occurrence : occurrences) {
        qsizetype &slot = foundAs[std::size_t(occurrence.key)];
        if (slot == kNotYetFound) {
            const QString &entry = entries_[occurrence.key];
            if (foundEntries.contains(entry)) {
                slot = kListedBefore;
            } else {
                foundEntries.insert(entry);
                slot = found.size();
                found.append(detect::DeriveSearchKey(entry));
            }
        }
        if (slot != kListedBefore)
            findings.append({found[slot], positions.at(occurrence.start)});
    }
    return findings;
}

QByteArray TextReport(const QString &file, const QList<Finding> &findings)
{
    QString text;
    for (const Finding &finding : findings) {
        text += file + u':' + QString::number(finding.position.line) + u':' +
                QString::number(finding.position.column) + QStringLiteral(": ") +
                detect::FindingLine(finding.key) + u'\n';
    }
    return text.toUtf8();
}

QByteArray JsonReport(const QString &file, const QList<Finding> &findings)
{
    QJsonArray array;
    for (const Finding &finding : findings) {
        array.append(QJsonObject{
            {QStringLiteral("name"), finding.key.displayName},
            {QStringLiteral("key"), finding.key.key},
            {QStringLiteral("line"), qint64(finding.position.line)},
            {QStringLiteral("column"), qint64(finding.position.column)},
        });
    }
    return JsonLine({{QStringLiteral("file"), file}, {QStringLiteral("findings"), array}});
}

QByteArray JsonFailure(const QString &file, const QString &reason)
{
    return JsonLine({{QStringLiteral("file"), file}, {QStringLiteral("error"), reason}});
}

} // namespace cli
