#include "keywordfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "defaulttable.h"
#include "textfile.h"

namespace keywords {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

QString Describe(const QString &path, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
}

QStringList Strings(const QList<QStringView> &views)
{
    QStringList strings;
    strings.reserve(views.size());
    for (const QStringView view : views)
        strings.append(view.toString());
    return strings;
}

} // namespace

QString KeywordFilePath()
{
    return QDir::current().absoluteFilePath(QString::fromLatin1(kKeywordFileName));
}

QList<QStringView> KeywordLines(QStringView text)
{
    QList<QStringView> entries;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        entries.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        entries.append(text.sliced(start));
    return entries;
}

QStringList ParseKeywordFile(const QByteArray &bytes)
{
    const QString text = DecodeText(bytes);
    return Strings(KeywordLines(text));
}

QByteArray FormatKeywordFile(const QStringList &entries)
{
    QByteArray bytes;
    for (const QString &entry : entries)
        bytes += entry.toUtf8() + kLineEnd;
    return bytes;
}

FileError EnsureKeywordFile()
{
    const QString path = KeywordFilePath();
    QFile file(path);
    // NewOnly creates the file only where none is: no separate check first, so
    // a file that appears meanwhile is never truncated.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const QFileInfo info(path);
        if (info.isDir())
            return {Describe(path, FolderReason())};
        // Any file of that name counts, hidden, read-only or new: it is the user's.
        if (info.exists())
            return {};
        return {Describe(path, file.errorString())};
    }
    const QByteArray bytes = FormatKeywordFile(DefaultKeywordTable());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.close();
        file.remove();
        return {Describe(path, reason)};
    }
    file.close();
    return {};
}

FileError LoadKeywordList(QStringList &entries)
{
    return LoadKeywordList(KeywordFilePath(), entries);
}

FileError LoadKeywordText(const QString &path, KeywordText &list, qint64 maxBytes)
{
    const FileBytes file = ReadFileBytes(path, maxBytes);
    if (file.outcome != FileBytes::Read)
        return {Describe(path, file.failure), file.outcome == FileBytes::Missing};
    list.text = DecodeText(file.bytes);
    list.entries = KeywordLines(list.text);
    return {};
}

FileError LoadKeywordList(const QString &path, QStringList &entries)
{
    KeywordText list;
    if (FileError error = LoadKeywordText(path, list))
        return error;
    entries = Strings(list.entries);
    return {};
}

} // namespace keywords
