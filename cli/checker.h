#pragma once

#include "keymatcher.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>

#include <cstdio>
#include <string>

namespace cli {

// A stream the findings go to, written in batches of bounded size, so that
// memory does not grow with what is written.
class Output
{
public:
    // `eachFile`: hand over what a file gave as soon as it is checked, as a
    // user at a terminal expects.
    Output(std::FILE *stream, bool eachFile) : stream_(stream), eachFile_(eachFile) {}

    void append(QByteArrayView bytes) { buffer_.append(bytes.data(), std::size_t(bytes.size())); }
    void appendNumber(qsizetype number);
    // Writes what has gathered once it is a batch; false once a write failed.
    bool pass() { return buffer_.size() < kBatch || flush(); }
    bool fileDone() { return !eachFile_ || flush(); }
    bool flush();
    bool failed() const { return failed_; }

private:
    static constexpr std::size_t kBatch = 64 * 1024;
    std::FILE *stream_;
    bool eachFile_;
    bool failed_ = false;
    std::string buffer_;
};

// Finds the entries of one keyword list in any number of formulas: the
// matcher is built once, and each formula costs one pass.
class FormulaChecker
{
public:
    enum class Format {
        Text, // "FILE:LINE:COLUMN: 发现未来函数NAME!" per finding
        Json, // one object per file on one line: the file and its findings
    };

    // The entries are views into strings that must outlive the checker.
    FormulaChecker(const QList<QStringView> &entries, Format format);

    // Writes every occurrence of every entry's key in `text` (UTF-8) as it is
    // found: in text order, at one place in list order. An entry listed more
    // than once is reported once. Returns whether anything was found.
    bool check(const QString &file, QByteArrayView text, Output &out);

    // The JSON line for a file that could not be checked.
    static QByteArray JsonFailure(const QString &file, const QString &reason);

private:
    // What is written for an entry found, made when it is first found.
    struct Found
    {
        bool repeated = false; // listed before: its occurrences are reported there
        QByteArray text;       // ": 发现未来函数NAME!\n"
        QByteArray json;       // ",\"key\":KEY,\"line\":"
        QByteArray jsonName;   // ",\"name\":NAME}"
    };
    const Found &found(qsizetype entry);

    QList<QStringView> entries_;
    QString keys_;
    detect::KeyMatcher matcher_;
    Format format_;
    QHash<qsizetype, Found> found_;
    QHash<QString, qsizetype> firstListing_;
};

} // namespace cli
