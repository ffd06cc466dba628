#include "textfile.h"

#include "filesystem.h"

#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX // std::min and std::max, not the macros
#endif
#include <windows.h>
#endif

namespace keywords {

namespace {

// The code page these files are written in when they are not UTF-8; where
// that is UTF-8 too, the undecodable bytes become U+FFFD.
QString DecodeAnsiCodePage(QByteArrayView bytes)
{
#ifdef Q_OS_WIN
    const UINT codePage = GetACP();
    if (codePage == CP_UTF8)
        return QString::fromUtf8(bytes);
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
    // GB18030 is its superset. The decoder drops a character cut off at the
    // end, so a line end is decoded after it, which ends it as U+FFFD.
    QStringDecoder gb18030("GB18030");
    if (!gb18030.isValid())
        return QString::fromUtf8(bytes);
    QString text = gb18030(bytes.toByteArray() + '\n');
    text.chop(1);
    return text;
#endif
}

#ifndef Q_OS_WIN
// GB18030's characters of two bytes as the library decodes them, by their
// bytes (see make_gb18030_table); a single 0 where it decodes them otherwise.
constexpr char16_t kTwoByteCharacters[] = {
#include "gb18030twobyte.inc"
};
#endif

// Text of ASCII and two-byte characters, which is what Chinese Windows saves,
// straight into UTF-8, several times faster than the library's decoder and
// with the same result; false, leaving the rest to the library, at any other byte.
bool DecodeAnsiCodePageToUtf8(QByteArrayView bytes, QByteArray &text)
{
#ifdef Q_OS_WIN
    Q_UNUSED(bytes);
    Q_UNUSED(text);
    return false;
#else
    const char16_t *table = kTwoByteCharacters;
    if (std::size(kTwoByteCharacters) != 126 * 190)
        return false;
    const auto *in = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype size = bytes.size();
    text.resize(size + size / 2); // two bytes give three at most
    auto *out = reinterpret_cast<uchar *>(text.data());
    for (qsizetype i = 0; i < size;) {
        quint64 eight;
        if (i + 8 <= size && (std::memcpy(&eight, in + i, 8), (eight & 0x8080808080808080) == 0)) {
            std::memcpy(out, &eight, 8);
            out += 8;
            i += 8;
            continue;
        }
        const uchar lead = in[i];
        if (lead < 0x80) {
            *out++ = lead;
            ++i;
            continue;
        }
        const uchar trail = i + 1 < size ? in[i + 1] : 0;
        if (lead == 0x80 || lead == 0xFF || trail < 0x40 || trail == 0x7F || trail == 0xFF)
            return false;
        const char16_t unit = table[std::size_t(lead - 0x81) * 190 + trail - 0x40 - (trail > 0x7F)];
        if (unit < 0x800) {
            *out++ = uchar(0xC0 | unit >> 6);
        } else {
            *out++ = uchar(0xE0 | unit >> 12);
            *out++ = uchar(0x80 | (unit >> 6 & 0x3F));
        }
        *out++ = uchar(0x80 | (unit & 0x3F));
        i += 2;
    }
    text.truncate(out - reinterpret_cast<uchar *>(text.data()));
    return true;
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

const char kUtf8Mark[] = "\xEF\xBB\xBF";

bool HoldsNul(QByteArrayView bytes)
{
    return std::memchr(bytes.data(), 0, std::size_t(bytes.size())) != nullptr;
}

// Where the reading of a file looks for NUL bytes before it reads the rest.
constexpr qint64 kFirstBlock = 64 * 1024;

FileBytes Failure(FileBytes::Outcome outcome, const QString &failure)
{
    return {outcome, {}, failure};
}

FileBytes ReadAll(Source &source, qint64 maxBytes, bool textOnly)
{
    const auto tooLarge = [&] {
        return Failure(
            FileBytes::Failed,
            QStringLiteral("is larger than %1").arg(QLocale::c().formattedDataSize(maxBytes, 0)));
    };
    const auto notText = [] {
        return Failure(FileBytes::NotText, QStringLiteral("is not a text file"));
    };
    const bool limited = maxBytes >= 0;
    const qint64 size = source.size();
    const bool file = source.kind() == Source::File;
    if (file && limited && size > maxBytes)
        return tooLarge();

    // A file is read in one go, one byte more than its size so that growth
    // shows; anything else a block at a time until it ends. A file beyond
    // the first block stops there first when that block may be no text.
    FileBytes result;
    QByteArray &bytes = result.bytes;
    bytes.resize(file ? size + 1 : kFirstBlock);
    qint64 got = 0;
    bool looked = !textOnly;
    qint64 lookedAt = 0; // the bytes before it hold no NUL
    for (;;) {
        if (got == bytes.size()) {
            qint64 grown = bytes.size() * 2;
            if (limited)
                grown = std::min(grown, maxBytes + 1);
            if (grown == got)
                return tooLarge();
            bytes.resize(grown);
        }
        qint64 want = bytes.size() - got;
        if (!looked)
            want = std::min(want, std::max(kFirstBlock - got, qint64(1)));
        const qint64 read = source.read(bytes.data() + got, want);
        if (read < 0)
            return Failure(FileBytes::Failed, source.failure());
        got += read;
        // A file ends where a read comes up short.
        const bool ended = read == 0 || (file && read < want);
        if (!looked && (ended || got >= kFirstBlock)) {
            looked = true;
            const QByteArrayView first(bytes.constData(), got);
            if (!StartsWithUtf16Mark(first) && HoldsNul(first))
                return notText();
            lookedAt = got;
        }
        if (limited && got > maxBytes)
            return tooLarge();
        if (ended)
            break;
    }
    bytes.truncate(got);
    if (textOnly && !StartsWithUtf16Mark(bytes) && HoldsNul(QByteArrayView(bytes).sliced(lookedAt)))
        return notText();
    return result;
}

FileBytes ReadOpened(std::unique_ptr<Source> source, const QString &failure, bool missing,
                     qint64 maxBytes, bool textOnly)
{
    if (!source)
        return Failure(missing ? FileBytes::Missing : FileBytes::Failed, failure);
    if (source->kind() == Source::Folder)
        return Failure(FileBytes::Folder, FolderReason());
    return ReadAll(*source, maxBytes, textOnly);
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
    // Only the first byte-order mark is dropped; a second one is text. A
    // stateless decoder also replaces a sequence cut off at the end.
    if (bytes.startsWith(kUtf8Mark))
        return QStringDecoder(QStringConverter::Utf8,
                              QStringConverter::Flag::ConvertInitialBom |
                                  QStringConverter::Flag::Stateless)(bytes.sliced(3));
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    return DecodeAnsiCodePage(bytes);
}

QByteArray TextAsUtf8(const QByteArray &bytes)
{
    if (!bytes.startsWith(kUtf8Mark) && !StartsWithUtf16Mark(bytes)) {
        if (bytes.isValidUtf8())
            return bytes;
        QByteArray text;
        if (DecodeAnsiCodePageToUtf8(bytes, text))
            return text;
    }
    return DecodeText(bytes).toUtf8();
}

FileBytes ReadFileBytes(const std::filesystem::path &path, qint64 maxBytes, bool textOnly)
{
    if (path.empty())
        return Failure(FileBytes::Failed, QStringLiteral("no file name given"));
    QString failure;
    bool missing = false;
    std::unique_ptr<Source> source = OpenSource(path, failure, missing);
    return ReadOpened(std::move(source), failure, missing, maxBytes, textOnly);
}

FileBytes ReadFileBytes(const QString &path, qint64 maxBytes, bool textOnly)
{
    return ReadFileBytes(NativePath(path), maxBytes, textOnly);
}

FileBytes ReadStandardInput(qint64 maxBytes, bool textOnly)
{
    QString failure;
    std::unique_ptr<Source> source = OpenStandardInput(failure);
    return ReadOpened(std::move(source), failure, false, maxBytes, textOnly);
}

QString FolderReason()
{
    return QStringLiteral("is a folder, not a file");
}

TextFile ReadTextFile(const QString &path, qint64 maxBytes)
{
    const FileBytes file = ReadFileBytes(path, maxBytes, true);
    if (file.outcome != FileBytes::Read)
        return {{}, file.failure};
    return {DecodeText(file.bytes), {}};
}

} // namespace keywords
