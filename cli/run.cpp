#include "run.h"

#include "checker.h"
#include "defaulttable.h"
#include "filesystem.h"
#include "keywordfile.h"
#include "ordered.h"
#include "pool.h"
#include "walk.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <thread>
#include <vector>

namespace cli {

namespace {

const QString kStandardInput = QStringLiteral("-");
const QString kName = QStringLiteral("future-check-cli");

bool Write(Destination &to, const QString &text)
{
    std::string bytes = text.toStdString();
    return to.write(bytes);
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

// Checks the files named and the files in the folders named, on a pool of
// threads or on this one alone, and writes what each gives in their order.
class Checking
{
public:
    Checking(const FormulaChecker &checker, Console &console, unsigned threads)
        : console_(console), ordered_(console.out, kWaitingPerThread * std::max(threads, 1u)),
          checkers_(std::max(threads, 1u), checker), pool_(threads)
    {}

    // `alone`: the only name, checked on this thread.
    void named(const QString &name, bool alone);
    // Writes the rest and ends the threads; false when a write failed.
    bool finish();
    int status() const { return failed_ ? kError : found_ ? kFound : kNothingFound; }

private:
    // Files beyond the one being written wait with a batch of output at
    // most, and at most this many of them for each thread.
    static constexpr std::size_t kWaitingPerThread = 16;

    bool add(Item item, bool here = false);
    bool stopped() { return writeFailed_ || ordered_.failed(); }
    // After a file's output: its failure, and at a terminal what it gave.
    bool report(const QString &name, const Checked &checked);

    Console &console_;
    OrderedOutput ordered_;
    std::vector<FormulaChecker> checkers_; // one for each thread: what they find is their own
    bool found_ = false;
    bool failed_ = false;
    bool writeFailed_ = false; // on this thread alone
    WorkerPool pool_;          // last, so that its threads end first
};

bool Checking::report(const QString &name, const Checked &checked)
{
    found_ = found_ || checked.found;
    bool written = true;
    if (!checked.failure.isEmpty()) {
        failed_ = true;
        // The output before it goes first, so that a log of both streams
        // keeps their order.
        written = console_.out.flush();
        Write(console_.err,
              kName + QStringLiteral(": ") + name + QStringLiteral(": ") + checked.failure + u'\n');
        console_.err.flush();
        if (checkers_.front().json()) {
            std::string line = JsonPrinter::FailureLine(name, checked.failure);
            written = console_.out.write(line) && written;
        }
    }
    if (console_.interactive)
        written = console_.out.flush() && written;
    return written;
}

bool Checking::add(Item item, bool here)
{
    if (pool_.size() == 0 || here) {
        Output out(console_.out);
        const Checked checked = CheckItem(checkers_.front(), item, out);
        writeFailed_ = !report(item.name, checked) || out.failed() || writeFailed_;
        return !writeFailed_;
    }
    const std::optional<std::size_t> job = ordered_.open();
    if (!job)
        return false;
    // Jobs are taken in the order they were opened, so the first job not yet
    // written is always running or done.
    pool_.post([this, job = *job, item = std::move(item)](unsigned worker) mutable {
        class Channel final : public Destination
        {
        public:
            Channel(OrderedOutput &ordered, std::size_t job) : ordered_(ordered), job_(job) {}
            bool write(std::string &bytes) override { return ordered_.write(job_, bytes); }

        private:
            OrderedOutput &ordered_;
            std::size_t job_;
        } channel(ordered_, job);
        Output out(channel);
        const Checked checked =
            ordered_.failed() ? Checked{} : CheckItem(checkers_[worker], item, out);
        ordered_.close(job, [this, name = item.name, checked] { return report(name, checked); });
    });
    return true;
}

void Checking::named(const QString &name, bool alone)
{
    if (stopped())
        return;
    if (name == kStandardInput) {
        add({name, {}, false, console_.input()}, alone);
        return;
    }
    const std::filesystem::path path = keywords::NativePath(name);
    const AddItem addItem = [this](Item item) { return add(std::move(item)); };
    if (alone || pool_.size() == 0) {
        // Read here: one file costs no thread, and is opened once.
        keywords::FileBytes file = keywords::ReadFileBytes(path, keywords::kMaxFormulaBytes, true);
        if (file.outcome == keywords::FileBytes::Folder)
            WalkFolder(path, addItem);
        else
            add({name, path, false, std::move(file)}, alone);
        return;
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        WalkFolder(path, addItem);
    else
        add({name, path, false, std::nullopt});
}

bool Checking::finish()
{
    const bool written = pool_.size() == 0 || ordered_.finish();
    pool_.finish();
    return written && !writeFailed_ && !ordered_.failed();
}

} // namespace

int Run(const QStringList &arguments, Console console,
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
        QStringLiteral("Also report the known future functions in the formula's code that the "
                       "list missed; they count toward exit status 1."));
    const QCommandLineOption codeOnly(
        QStringLiteral("code-only"),
        QStringLiteral("Leave out what stands in a comment, a string or inside a longer name."));
    const QCommandLineOption signalsOnly(
        QStringLiteral("signals-only"),
        QStringLiteral("Report only what reaches a signal: a selection, a trading signal, an "
                       "alert, or the condition of a drawing; implies --code-only. A file whose "
                       "future functions reach only lines counts as clean."));
    const QCommandLineOption reach(
        QStringLiteral("reach"),
        QStringLiteral("After each finding in code, say which outputs it reaches, as a signal "
                       "or as a drawn line."));
    const QCommandLineOption threads(
        {QStringLiteral("j"), QStringLiteral("threads")},
        QStringLiteral("Check the files on <N> threads; the default is one per core."),
        QStringLiteral("N"));
    parser.addOptions({keywordsFile, json, missed, codeOnly, signalsOnly, reach, threads});
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Formula file or folder; none or - reads standard input."),
        QStringLiteral("[FILE...]"));

    const auto complain = [&](const QString &text) {
        Write(console.err, kName + QStringLiteral(": ") + text + u'\n');
    };
    if (!parser.parse(arguments)) {
        complain(parser.errorText() + QStringLiteral("\nTry --help."));
        return kError;
    }
    if (parser.isSet(help) || parser.optionNames().contains(QStringLiteral("help-all"))) {
        const std::unique_ptr<QCoreApplication> forHelp = application();
        Write(console.out, parser.helpText());
        return kNothingFound;
    }
    if (parser.isSet(version)) {
        Write(console.out, kName + u' ' + QCoreApplication::applicationVersion() + u'\n');
        return kNothingFound;
    }

    unsigned threadCount = std::max(console.cores, 1u);
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
    const FormulaChecker checker(
        list.entries,
        {parser.isSet(json) ? FormulaChecker::Format::Json : FormulaChecker::Format::Text,
         parser.isSet(missed), parser.isSet(codeOnly) || parser.isSet(signalsOnly),
         parser.isSet(signalsOnly), parser.isSet(reach)});

    QStringList names = parser.positionalArguments();
    if (names.isEmpty())
        names.append(kStandardInput);
    // One thread is this one alone; more check while this one lists the names.
    Checking checking(checker, console, threadCount > 1 ? threadCount : 0);
    for (const QString &name : names)
        checking.named(name, names.size() == 1);
    // A full disk or a closed pipe must not pass for a clean run.
    if (!checking.finish() || !console.out.flush()) {
        complain(QStringLiteral("could not write to standard output"));
        return kError;
    }
    return checking.status();
}

int Run(const QStringList &arguments,
        const std::function<std::unique_ptr<QCoreApplication>()> &application)
{
    StreamDestination out(stdout);
    StreamDestination err(stderr);
    return Run(arguments,
               {out, err, keywords::StandardOutputIsTerminal(),
                [] { return keywords::ReadStandardInput(keywords::kMaxFormulaBytes, true); },
                std::thread::hardware_concurrency()},
               application);
}

} // namespace cli
