#include "textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

namespace keywords {

namespace {

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

bool StartsWithUtf16Mark(QByteArrayView bytes)
{
    // Neither mark starts a UTF-8 or a GB18030 text.
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

} // namespace

QString DecodeText(QByteArrayView bytes)
{
    // Notepad's "Unicode" files.
    if (StartsWithUtf16Mark(bytes)) {
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

TextFile TextFromBytes(const QByteArray &bytes)
{
    // No text encoding but UTF-16 puts a NUL byte in a text; images,
    // archives and programs hold them.
    if (!StartsWithUtf16Mark(bytes) && bytes.contains('\0'))
        return {{}, QStringLiteral("is not a text file")};
    return {DecodeText(bytes), {}};
}

QString FolderReason()
{
    return QStringLiteral("is a folder, not a file");
}

QString ReadFileBytes(const QString &path, QByteArray &bytes, qint64 maxBytes)
{
    if (path.isEmpty()) // Qt would warn on the console as well
        return QStringLiteral("no file name given");
    if (QFileInfo(path).isDir())
        return FolderReason();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const auto tooLarge = [&] {
        return QStringLiteral("is larger than %1").arg(QLocale::c().formattedDataSize(maxBytes, 0));
    };
    if (maxBytes >= 0 && file.size() > maxBytes)
        return tooLarge();
    // A file may grow, or be a device without a size, while it is read.
    bytes = maxBytes >= 0 ? file.read(maxBytes + 1) : file.readAll();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    if (maxBytes >= 0 && bytes.size() > maxBytes)
        return tooLarge();
    return {};
}

TextFile ReadTextFile(const QString &path, qint64 maxBytes)
{
    QByteArray bytes;
    if (QString failure = ReadFileBytes(path, bytes, maxBytes); !failure.isEmpty())
        return {{}, failure};
    return TextFromBytes(bytes);
}

} // namespace keywords
