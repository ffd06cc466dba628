#include "run.h"

#include "checker.h"
#include "defaulttable.h"
#include "filesystem.h"
#include "keywordfile.h"
#include "textfile.h"

#include <QCommandLineParser>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace cli {

namespace {

const QString kStandardInput = QStringLiteral("-");
const QString kName = QStringLiteral("future-check-cli");

void Write(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

// Without --keywords: code.ini here, else the default table.
keywords::FileError LoadUnnamedList(keywords::KeywordText &list)
{
    // A folder of that name counts too: it is reported rather than passed over.
    keywords::FileError error =
        keywords::LoadKeywordText(keywords::KeywordFilePath(), list, keywords::kMaxFormulaBytes);
    if (error.missing) {
        const QStringList &table = keywords::DefaultKeywordTable();
        list.entries = QList<QStringView>(table.begin(), table.end());
        return {};
    }
    return error;
}

// A file to check, in the order of the output.
struct Item
{
    QString name;
    std::filesystem::path path;
    bool inFolder = false;
    // Read already: standard input, read in order, or a folder that could
    // not be listed, whose failure is reported in its place.
    std::optional<keywords::FileBytes> read;
};

// What checking one file came to.
struct Checked
{
    bool found = false;
    QString failure; // reported after what the file gave; empty when none
};

Checked CheckItem(FormulaChecker &checker, Item &item, Output &out)
{
    const keywords::FileBytes file =
        item.read ? std::move(*item.read)
                  : keywords::ReadFileBytes(item.path, keywords::kMaxFormulaBytes, true);
    switch (file.outcome) {
    case keywords::FileBytes::Read: {
        const bool found = checker.check(item.name, keywords::TextAsUtf8(file.bytes), out);
        out.flush();
        return {found, {}};
    }
    case keywords::FileBytes::NotText: // as grep -rI passes over images and archives
    case keywords::FileBytes::Folder:  // made while the walk went on
        if (item.inFolder)
            return {};
        break;
    default:
        break;
    }
    return {false, file.failure};
}

// Checks the files named and the files in the folders named, on `threads`
// threads besides this one, or on this one alone, and writes what each gives
// in their order, as soon as it is its turn: the same bytes however many
// threads check. One thread at a time writes, an error after all that came
// before it on standard output.
class Checking
{
public:
    Checking(const FormulaChecker &checker, bool json, unsigned threads)
        : checker_(checker), json_(json), eachFile_(keywords::StandardOutputIsTerminal()),
          threads_(threads)
    {}
    ~Checking() { finish(); }

    void named(const QString &name, bool alone);
    // Writes the rest and ends the threads; false when a write failed.
    bool finish();
    int status() const { return failed_ ? kError : found_ ? kFound : kNothingFound; }

private:
    // A file's place in the output.
    struct Job
    {
        Item item;
        bool done = false;
        std::string ready; // a batch handed over, not yet written
        Checked checked;
    };
    // Hands a job's batches over to whichever thread writes.
    class Channel final : public Destination
    {
    public:
        Channel(Checking &checking, Job &job) : checking_(checking), job_(job) {}
        bool write(std::string &bytes) override;

    private:
        Checking &checking_;
        Job &job_;
    };

    // `here`: on this thread, as the only file.
    void add(Item item, bool here = false);
    void walk(const std::filesystem::path &folder);
    void work();
    // Writes the first jobs as far as they are handed over, unless another
    // thread is at it; `lock` is held on entry and exit.
    void write(std::unique_lock<std::mutex> &lock);
    bool report(const QString &name, const Checked &checked);
    bool stopped();

    FormulaChecker checker_;
    bool json_;
    bool eachFile_;
    unsigned threads_;
    StreamDestination stdout_{stdout};
    bool found_ = false;
    bool failed_ = false;
    bool writeFailed_ = false;

    // Files beyond the one being written wait with a batch of output at
    // most, and at most this many of them for each thread.
    static constexpr std::size_t kWaitingPerThread = 16;
    std::mutex mutex_;
    std::condition_variable jobAdded_;    // to idle threads; also at the end
    std::condition_variable batchTaken_;  // to a thread whose batch waits
    std::condition_variable jobsWritten_; // to this thread: room for more, or none left
    std::deque<Job> jobs_;                // from the one being written on
    std::size_t firstJob_ = 0;            // the number of the first in jobs_
    std::size_t nextJob_ = 0;             // the number of the next to take
    bool writing_ = false;
    bool added_ = false; // every job is in
    bool stop_ = false;  // a write failed: nothing more is checked
    std::vector<std::thread> running_;
};

bool Checking::Channel::write(std::string &bytes)
{
    std::unique_lock lock(checking_.mutex_);
    // One batch waits at a time: a job beyond the one being written holds
    // its thread once it has one.
    checking_.batchTaken_.wait(lock, [&] { return job_.ready.empty() || checking_.stop_; });
    if (checking_.stop_)
        return false;
    job_.ready.swap(bytes);
    checking_.write(lock);
    return !checking_.stop_;
}

bool Checking::report(const QString &name, const Checked &checked)
{
    found_ = found_ || checked.found;
    bool written = true;
    if (!checked.failure.isEmpty()) {
        failed_ = true;
        // The output before it reaches the file first, so that a log of
        // both streams keeps their order.
        written = std::fflush(stdout) == 0;
        Write(stderr,
              (kName + QStringLiteral(": ") + name + QStringLiteral(": ") + checked.failure + u'\n')
                  .toUtf8());
        if (json_) {
            written =
                stdout_.write(FormulaChecker::JsonFailure(name, checked.failure).toStdString()) &&
                written;
        }
    }
    if (eachFile_) // a user at a terminal waits for each file
        written = std::fflush(stdout) == 0 && written;
    return written;
}

bool Checking::stopped()
{
    if (threads_ == 0)
        return writeFailed_;
    const std::lock_guard lock(mutex_);
    return stop_;
}

void Checking::add(Item item, bool here)
{
    if (threads_ == 0 || here) {
        Output out(stdout_);
        const Checked checked = CheckItem(checker_, item, out);
        writeFailed_ = !report(item.name, checked) || out.failed() || writeFailed_;
        return;
    }
    std::unique_lock lock(mutex_);
    if (running_.empty()) {
        for (unsigned i = 0; i < threads_; ++i)
            running_.emplace_back(&Checking::work, this);
    }
    // Woken when half the room is free, not for every file written.
    const std::size_t room = kWaitingPerThread * threads_;
    if (jobs_.size() >= room)
        jobsWritten_.wait(lock, [&] { return stop_ || jobs_.size() <= room / 2; });
    if (stop_)
        return;
    jobs_.emplace_back().item = std::move(item);
    jobAdded_.notify_one();
}

void Checking::write(std::unique_lock<std::mutex> &lock)
{
    if (writing_)
        return; // that thread writes this too before it stops
    writing_ = true;
    while (!stop_ && !jobs_.empty() && (jobs_.front().done || !jobs_.front().ready.empty())) {
        // A job done is no other thread's any more, and one whose batch is
        // handed over waits until the batch is emptied here; the batch keeps
        // its room, so that the next takes no fresh memory.
        Job &job = jobs_.front();
        const bool done = job.done;
        const std::string_view bytes = job.ready;
        lock.unlock();
        bool written = bytes.empty() || stdout_.write(bytes);
        if (done)
            written = report(job.item.name, job.checked) && written;
        lock.lock();
        job.ready.clear();
        batchTaken_.notify_all();
        if (!written) {
            writeFailed_ = stop_ = true;
            jobAdded_.notify_all();
            jobsWritten_.notify_all();
        } else if (done) {
            jobs_.pop_front();
            ++firstJob_;
            const std::size_t room = kWaitingPerThread * threads_;
            if (jobs_.size() == room / 2 || jobs_.empty())
                jobsWritten_.notify_all();
        }
    }
    writing_ = false;
}

void Checking::work()
{
    FormulaChecker checker = checker_; // names found are kept for each thread
    std::unique_lock lock(mutex_);
    for (;;) {
        jobAdded_.wait(lock,
                       [&] { return stop_ || added_ || nextJob_ < firstJob_ + jobs_.size(); });
        if (stop_ || nextJob_ == firstJob_ + jobs_.size())
            return;
        // Jobs are written in order, so this one stays until it is done.
        Job &job = jobs_[nextJob_++ - firstJob_];
        lock.unlock();
        Channel channel(*this, job);
        Output out(channel);
        Checked checked = CheckItem(checker, job.item, out);
        lock.lock();
        job.checked = std::move(checked);
        job.done = true;
        write(lock);
    }
}

bool Checking::finish()
{
    if (!running_.empty()) {
        std::unique_lock lock(mutex_);
        added_ = true;
        jobAdded_.notify_all();
        jobsWritten_.wait(lock, [&] { return stop_ || jobs_.empty(); });
        lock.unlock();
        for (std::thread &thread : running_)
            thread.join();
        running_.clear();
    }
    return !writeFailed_;
}

void Checking::named(const QString &name, bool alone)
{
    if (stopped())
        return;
    if (name == kStandardInput) {
        add({name, {}, false, keywords::ReadStandardInput(keywords::kMaxFormulaBytes, true)},
            alone);
        return;
    }
    const std::filesystem::path path = keywords::NativePath(name);
    if (alone || threads_ == 0) {
        // Read here, so that one file costs what it did before threads.
        keywords::FileBytes file = keywords::ReadFileBytes(path, keywords::kMaxFormulaBytes, true);
        if (file.outcome == keywords::FileBytes::Folder)
            walk(path);
        else
            add({name, path, false, std::move(file)}, alone);
        return;
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        walk(path);
    else
        add({name, path, false, std::nullopt});
}

void Checking::walk(const std::filesystem::path &folder)
{
    // Sorted, so that every run writes the same; hidden entries are left out,
    // as ripgrep leaves them; links are followed to files only, so that no
    // walk goes round in a circle.
    std::error_code error;
    std::vector<std::filesystem::directory_entry> entries;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (!keywords::IsHidden(*it))
            entries.push_back(*it);
    }
    if (error) {
        // The system's message, in its code page on Windows.
        keywords::FileBytes failure;
        failure.outcome = keywords::FileBytes::Failed;
        failure.failure = QString::fromLocal8Bit(error.message());
        add({keywords::ShownPath(folder), folder, false, std::move(failure)});
        return;
    }
    // The entries share their folder, so their paths sort as their names do.
    std::sort(entries.begin(), entries.end(),
              [](const auto &a, const auto &b) { return a.path().native() < b.path().native(); });
    for (const std::filesystem::directory_entry &entry : entries) {
        if (stopped())
            return;
        // What the folder's listing said of the entry, without asking the
        // system again; a link is asked after, and a link to a folder passed
        // over.
        std::error_code typeError;
        if (entry.is_symlink(typeError)) {
            if (entry.is_directory(typeError))
                continue;
        } else if (entry.is_directory(typeError)) {
            walk(entry.path());
            continue;
        }
        // Devices, pipes and sockets are no formulas, and a pipe would wait for
        // a writer; what cannot be told is tried, and reported if it fails.
        if (!typeError && !entry.is_regular_file(typeError))
            continue;
        add({keywords::ShownPath(entry.path()), entry.path(), true, std::nullopt});
    }
}

} // namespace

int Run(const QStringList &arguments,
        const std::function<std::unique_ptr<QCoreApplication>()> &application)
{
    QCoreApplication::setApplicationName(kName);
    QCoreApplication::setApplicationVersion(QStringLiteral(FUTURE_CHECK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reports where the functions of a keyword list occur in formula files.\n"
        "The list is the file of --keywords, else code.ini in the current directory,\n"
        "else the built-in default table. A folder is checked with all the files in it.\n"
        "Exit status: 0 nothing found, 1 something found, 2 an error."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption keywordsFile({QStringLiteral("k"), QStringLiteral("keywords")},
                                          QStringLiteral("Read the keyword list from <FILE>."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("Write one JSON object per file and line, clean files too."));
    const QCommandLineOption missed(
        QStringLiteral("missed"),
        QStringLiteral("Also report the known future functions in the formula's code that the\n"
                       "list missed; they count toward exit status 1."));
    const QCommandLineOption codeOnly(
        QStringLiteral("code-only"),
        QStringLiteral("Leave out what stands in a comment, a string or inside a longer name."));
    const QCommandLineOption threads(
        {QStringLiteral("j"), QStringLiteral("threads")},
        QStringLiteral("Check the files on <N> threads; the default is one per core."),
        QStringLiteral("N"));
    parser.addOptions({keywordsFile, json, missed, codeOnly, threads});
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Formula file or folder; none or - reads standard input."),
        QStringLiteral("[FILE...]"));

    const auto complain = [](const QString &text) {
        Write(stderr, (kName + QStringLiteral(": ") + text + u'\n').toUtf8());
    };
    if (!parser.parse(arguments)) {
        complain(parser.errorText() + QStringLiteral("\nTry --help."));
        return kError;
    }
    if (parser.isSet(help) || parser.optionNames().contains(QStringLiteral("help-all"))) {
        const std::unique_ptr<QCoreApplication> forHelp = application();
        Write(stdout, parser.helpText().toUtf8());
        return kNothingFound;
    }
    if (parser.isSet(version)) {
        Write(stdout, (kName + u' ' + QCoreApplication::applicationVersion() + u'\n').toUtf8());
        return kNothingFound;
    }

    unsigned threadCount = std::max(std::thread::hardware_concurrency(), 1u);
    if (parser.isSet(threads)) {
        bool number = false;
        threadCount = parser.value(threads).toUInt(&number);
        if (!number || threadCount == 0 || threadCount > 1024) {
            complain(QStringLiteral("--threads takes a number from 1 to 1024\nTry --help."));
            return kError;
        }
    }

    keywords::KeywordText list;
    if (const keywords::FileError error =
            parser.isSet(keywordsFile) ? keywords::LoadKeywordText(parser.value(keywordsFile), list,
                                                                   keywords::kMaxFormulaBytes)
                                       : LoadUnnamedList(list)) {
        complain(error.reason);
        return kError;
    }
    const bool jsonLines = parser.isSet(json);
    FormulaChecker checker(list.entries,
                           {jsonLines ? FormulaChecker::Format::Json : FormulaChecker::Format::Text,
                            parser.isSet(missed), parser.isSet(codeOnly)});

    QStringList names = parser.positionalArguments();
    if (names.isEmpty())
        names.append(kStandardInput);
    // One thread is this one alone; more check while this one lists the names.
    Checking checking(checker, jsonLines, threadCount > 1 ? threadCount : 0);
    for (const QString &name : names)
        checking.named(name, names.size() == 1);
    // A full disk or a closed pipe must not pass for a clean run.
    if (!checking.finish() || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        complain(QStringLiteral("could not write to standard output"));
        return kError;
    }
    return checking.status();
}

} // namespace cli
