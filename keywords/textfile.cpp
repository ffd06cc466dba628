#include "textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace keywords {

namespace {

// The code page these files are written in when they are not UTF-8; `utf8`
// is the text as UTF-8, with its undecodable bytes already U+FFFD.
QString DecodeAnsiCodePage(QByteArrayView bytes, const QString &utf8)
{
#ifdef Q_OS_WIN
    const UINT codePage = GetACP();
    if (codePage == CP_UTF8)
        return utf8;
    const auto convert = [&](const char *from, int size, QString &text) {
        const int units =
            MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, from, size, nullptr, 0);
        if (units <= 0)
            return false;
        const qsizetype at = text.size();
        text.resize(at + units);
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, from, size,
                            reinterpret_cast<wchar_t *>(text.data() + at), units);
        return true;
    };
    QString text;
    if (bytes.size() <= INT_MAX && convert(bytes.data(), int(bytes.size()), text))
        return text;
    // Windows' own conversion, and Qt's through it, drops what the code page
    // cannot decode; here each such byte becomes U+FFFD, as everywhere else.
    // The other ANSI code pages have characters of one or two bytes.
    text.clear();
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const bool lead = IsDBCSLeadByteEx(codePage, BYTE(bytes[i])) && i + 1 < bytes.size();
        if (lead && convert(bytes.data() + i, 2, text)) {
            i += 2;
        } else {
            if (!convert(bytes.data() + i, 1, text))
                text += QChar::ReplacementCharacter;
            ++i;
        }
    }
    return text;
#else
    // Users write these files on Simplified Chinese Windows (code page 936);
    // GB18030 is its superset.
    QStringDecoder gb18030("GB18030");
    return gb18030.isValid() ? gb18030(bytes) : utf8;
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
    return DecodeAnsiCodePage(bytes, text);
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
