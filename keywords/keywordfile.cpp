#include "keywordfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "defaulttable.h"

namespace keywords {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// The code page these files are written in when they are not UTF-8.
QStringDecoder AnsiCodePageDecoder()
{
#ifdef Q_OS_WIN
    return QStringDecoder(QStringConverter::System);
#else
    // Users write these files on Simplified Chinese Windows (code page 936);
    // GB18030 is its superset.
    return QStringDecoder("GB18030");
#endif
}

// Surrogates that do not form a pair cannot be decoded any more than a bad byte.
void ReplaceUnpairedSurrogates(QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

QString Decode(QByteArrayView bytes)
{
    // Notepad's "Unicode" (UTF-16) files; neither mark starts a UTF-8 or a
    // GB18030 text.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QString text =
            QStringDecoder(QStringConverter::Utf16, QStringConverter::Flag::Stateless)(bytes);
        ReplaceUnpairedSurrogates(text);
        return text;
    }
    // Only the first byte-order mark is dropped; a second one is text.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QStringDecoder(QStringConverter::Utf8,
                              QStringConverter::Flag::ConvertInitialBom)(bytes.sliced(3));
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder ansi = AnsiCodePageDecoder();
    if (!ansi.isValid())
        return text; // undecodable bytes already became U+FFFD
    return ansi(bytes);
}

QString Describe(const QString &path, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
}

// Neither creating nor reading can go on where a folder has the file's name.
FileError FolderInTheWay(const QFileInfo &info)
{
    if (!info.isDir())
        return {};
    return {Describe(info.filePath(), QStringLiteral("is a folder, not a file"))};
}

} // namespace

QString KeywordFilePath()
{
    return QDir::current().absoluteFilePath(QString::fromLatin1(kKeywordFileName));
}

QStringList ParseKeywordFile(const QByteArray &bytes)
{
    const QString text = Decode(bytes);
    QStringList entries;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        entries.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        entries.append(text.sliced(start));
    return entries;
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
        if (FileError error = FolderInTheWay(info))
            return error;
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
    const QString path = KeywordFilePath();
    if (FileError error = FolderInTheWay(QFileInfo(path)))
        return error;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {Describe(path, file.errorString())};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {Describe(path, file.errorString())};
    entries = ParseKeywordFile(bytes);
    return {};
}

} // namespace keywords
