#include "checker.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace cli {

namespace {

// Two entries give the same name and key only when they are the same.
QList<detect::SearchKey> DistinctKeys(const QStringList &entries)
{
    QList<detect::SearchKey> keys;
    keys.reserve(entries.size());
    QSet<QString> seen;
    seen.reserve(entries.size());
    for (const QString &entry : entries) {
        if (!seen.contains(entry)) {
            seen.insert(entry);
            keys.append(detect::DeriveSearchKey(entry));
        }
    }
    return keys;
}

QStringList KeyTexts(const QList<detect::SearchKey> &keys)
{
    QStringList texts;
    texts.reserve(keys.size());
    for (const detect::SearchKey &key : keys)
        texts.append(key.key);
    return texts;
}

QByteArray JsonLine(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

FormulaChecker::FormulaChecker(const QStringList &entries)
    : keys_(DistinctKeys(entries)), matcher_(KeyTexts(keys_))
{}

QList<Finding> FormulaChecker::check(QStringView formula) const
{
    const QList<detect::Occurrence> occurrences = matcher_.locate(formula);
    QList<Finding> findings;
    findings.reserve(occurrences.size());
    detect::PositionCounter positions(formula);
    for (const detect::Occurrence &occurrence : occurrences)
        findings.append({keys_[occurrence.key], positions.at(occurrence.start)});
    return findings;
}

QByteArray TextReport(const QString &file, const QList<Finding> &findings)
{
    QString text;
    for (const Finding &finding : findings) {
        text += file + u':' + QString::number(finding.position.line) + u':' +
                QString::number(finding.position.column) + QStringLiteral(": 发现未来函数") +
                finding.key.displayName + QStringLiteral("!\n");
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
