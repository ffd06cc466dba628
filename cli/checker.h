#pragma once

#include "futurefunctions.h"
#include "keymatcher.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace cli {

// Where an Output's batches go.
class Destination
{
public:
    virtual ~Destination() = default;
    // Takes `bytes`, leaving it empty, so that a batch may keep its room;
    // false when they could not be written.
    virtual bool write(std::string &bytes) = 0;
};

// Writes to a C stream.
class StreamDestination final : public Destination
{
public:
    explicit StreamDestination(std::FILE *stream) : stream_(stream) {}
    bool write(std::string &bytes) override;
    bool write(std::string_view bytes);

private:
    std::FILE *stream_;
};

// What is written, gathered into batches of bounded size, so that memory does
// not grow with it.
class Output
{
public:
    explicit Output(Destination &to) : to_(to) {}

    void append(QByteArrayView bytes) { buffer_.append(bytes.data(), std::size_t(bytes.size())); }
    void appendNumber(qsizetype number);
    // Hands over what has gathered once it is a batch; false once a write failed.
    bool pass() { return buffer_.size() < kBatch || flush(); }
    bool flush();
    bool failed() const { return failed_; }

private:
    static constexpr std::size_t kBatch = 64 * 1024;
    Destination &to_;
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

    struct Options
    {
        Format format = Format::Text;
        // Also report the known future functions in code that the list missed.
        bool missed = false;
        // Leave out what stands in a comment, a string or a longer name.
        bool codeOnly = false;
    };

    // The entries are views into strings that must outlive the checker.
    // Copies share the matcher, each for a thread of its own.
    FormulaChecker(const QList<QStringView> &entries, Options options);

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
        QByteArray jsonHead;   // "{\"class\":CLASS,\"column\":", without a class when none
        QByteArray json;       // ",\"key\":KEY,\"line\":"
        QByteArray jsonName;   // ",\"name\":NAME,\"why\":WHY}", without why when none
    };
    const Found &found(qsizetype entry);
    // The same for a function of the language's table that the list missed.
    const Found &missed(const language::FutureFunction *function);
    class Writer;

    QList<QStringView> entries_;
    std::shared_ptr<const detect::KeyMatcher> matcher_;
    Options options_;
    QHash<qsizetype, Found> found_;
    QHash<QString, qsizetype> firstListing_;
    QHash<const language::FutureFunction *, Found> missed_;
};

} // namespace cli
