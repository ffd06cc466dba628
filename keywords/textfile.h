#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <filesystem>

namespace keywords {

// The text in a text file's bytes, read the way code.ini is: behind a UTF-16
// byte-order mark as UTF-16, behind a UTF-8 one or when valid as UTF-8,
// otherwise in the ANSI code page (GB18030 outside Windows). Bytes that
// cannot be decoded become U+FFFD.
QString DecodeText(QByteArrayView bytes);

// The same text in UTF-8. Valid UTF-8 without a mark comes back as it is.
QByteArray TextAsUtf8(const QByteArray &bytes);

inline constexpr qint64 kNoSizeLimit = -1;
// A formula is a few kilobytes; what is far beyond is no formula.
inline constexpr qint64 kMaxFormulaBytes = 64 * 1024 * 1024;

// What reading a file, a device or a pipe gave: its bytes, or why not.
struct FileBytes
{
    enum Outcome { Read, Missing, Folder, NotText, Failed };
    Outcome outcome = Read;
    QByteArray bytes;
    QString failure; // empty when read; does not name the file
};

// Reads what `path` names whole. More than `maxBytes` is a failure that costs
// no more than reading that much. With `textOnly`, NUL bytes without a UTF-16
// byte-order mark mean no text: no text encoding but UTF-16 puts them in a
// text, while images, archives and programs hold them. Found in the first
// 64 KiB, they spare reading the rest.
FileBytes ReadFileBytes(const std::filesystem::path &path, qint64 maxBytes = kNoSizeLimit,
                        bool textOnly = false);
FileBytes ReadFileBytes(const QString &path, qint64 maxBytes = kNoSizeLimit, bool textOnly = false);
FileBytes ReadStandardInput(qint64 maxBytes, bool textOnly);

// Why a folder can be neither read nor written as a file.
QString FolderReason();

// A file's text, or why it could not be had.
struct TextFile
{
    QString text;
    QString failure; // empty when the text was read; does not name the file
};

// Reads the text file at `path` whole and decodes it.
TextFile ReadTextFile(const QString &path, qint64 maxBytes = kNoSizeLimit);

} // namespace keywords
