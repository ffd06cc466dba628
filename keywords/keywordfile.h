#pragma once

#include "textfile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace keywords {

// The keyword file is always this bare name in the current directory.
inline constexpr char kKeywordFileName[] = "code.ini";

// Absolute path of the keyword file in the current directory, for messages
// and for programs started on it.
QString KeywordFilePath();

// What went wrong with the keyword file; empty when nothing did.
struct FileError
{
    QString reason;
    bool missing = false; // no file of that name exists
    explicit operator bool() const { return !reason.isEmpty(); }
};

// Writes the default table to "code.ini" unless a file of that name already
// exists; an existing file is never touched, even an empty one.
FileError EnsureKeywordFile();

// Reads "code.ini" into `entries`. On failure `entries` is left as it was, so
// a reload can keep the list it showed before.
FileError LoadKeywordList(QStringList &entries);

// Reads the keyword file at `path` the same way.
FileError LoadKeywordList(const QString &path, QStringList &entries);

// The entries that a keyword file with these bytes holds.
QStringList ParseKeywordFile(const QByteArray &bytes);

// A keyword file's text with its entries as views into it, for reading a
// long list without a string per entry.
struct KeywordText
{
    QString text;
    QList<QStringView> entries;
};
FileError LoadKeywordText(const QString &path, KeywordText &list, qint64 maxBytes = kNoSizeLimit);

// The entries in a keyword file's text: its lines.
QList<QStringView> KeywordLines(QStringView text);

// The bytes of a new keyword file holding `entries`.
QByteArray FormatKeywordFile(const QStringList &entries);

} // namespace keywords
