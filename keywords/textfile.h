#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace keywords {

// The text in a text file's bytes, read the way code.ini is: behind a UTF-16
// byte-order mark as UTF-16, behind a UTF-8 one or when valid as UTF-8,
// otherwise in the ANSI code page (GB18030 outside Windows). Bytes that
// cannot be decoded become U+FFFD.
QString DecodeText(QByteArrayView bytes);

// A file's text, or why it could not be had.
struct TextFile
{
    QString text;
    QString failure; // empty when the text was read; does not name the file
};

inline constexpr qint64 kNoSizeLimit = -1;

// The text in bytes read from a file. NUL bytes without a UTF-16 byte-order
// mark mean a file that is not text, and no text is returned for it.
TextFile TextFromBytes(const QByteArray &bytes);

// Why a folder can be neither read nor written as a file.
QString FolderReason();

// Reads a whole file into `bytes`; on failure returns why, without the
// name, and `bytes` is undefined. A file over `maxBytes` is a failure that
// costs no more than reading that much.
QString ReadFileBytes(const QString &path, QByteArray &bytes, qint64 maxBytes = kNoSizeLimit);

// Reads the file at `path` whole and decodes it as TextFromBytes() does.
TextFile ReadTextFile(const QString &path, qint64 maxBytes = kNoSizeLimit);

} // namespace keywords
