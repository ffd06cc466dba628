#include "run.h"

#include "checker.h"
#include "defaulttable.h"
#include "filesystem.h"
#include "keywordfile.h"
#include "textfile.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>
#include <system_error>
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

// Checks the files named and the files in the folders named, writing what
// they hold as it is found.
class Checking
{
public:
    Checking(FormulaChecker &checker, bool json)
        : checker_(checker), json_(json), out_(stdout, keywords::StandardOutputIsTerminal())
    {}

    void named(const QString &name);
    // Whether every write went through: after a failed one, nothing more is checked.
    bool written() { return out_.flush(); }
    int status() const { return failed_ ? kError : found_ ? kFound : kNothingFound; }

private:
    void check(const QString &name, const keywords::FileBytes &file, bool inFolder);
    void walk(const std::filesystem::path &folder);
    void fail(const QString &name, const QString &reason);

    FormulaChecker &checker_;
    bool json_;
    Output out_;
    bool found_ = false;
    bool failed_ = false;
};

void Checking::fail(const QString &name, const QString &reason)
{
    failed_ = true;
    // What came before it is written first, so both streams keep their order.
    out_.flush();
    Write(stderr,
          (kName + QStringLiteral(": ") + name + QStringLiteral(": ") + reason + u'\n').toUtf8());
    if (json_)
        out_.append(FormulaChecker::JsonFailure(name, reason));
}

void Checking::named(const QString &name)
{
    if (out_.failed())
        return;
    if (name == kStandardInput) {
        check(name, keywords::ReadStandardInput(keywords::kMaxFormulaBytes, true), false);
        return;
    }
    const std::filesystem::path path = keywords::NativePath(name);
    const keywords::FileBytes file =
        keywords::ReadFileBytes(path, keywords::kMaxFormulaBytes, true);
    if (file.outcome == keywords::FileBytes::Folder)
        walk(path);
    else
        check(name, file, false);
}

void Checking::check(const QString &name, const keywords::FileBytes &file, bool inFolder)
{
    switch (file.outcome) {
    case keywords::FileBytes::Read:
        found_ = checker_.check(name, keywords::TextAsUtf8(file.bytes), out_) || found_;
        out_.fileDone();
        return;
    case keywords::FileBytes::NotText:
        if (inFolder) // as grep -rI passes over images and archives
            return;
        break;
    case keywords::FileBytes::Folder: // made while the walk went on
        if (inFolder)
            return;
        break;
    default:
        break;
    }
    fail(name, file.failure);
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
        fail(keywords::ShownPath(folder), QString::fromLocal8Bit(error.message()));
        return;
    }
    // The entries share their folder, so their paths sort as their names do.
    std::sort(entries.begin(), entries.end(),
              [](const auto &a, const auto &b) { return a.path().native() < b.path().native(); });
    for (const std::filesystem::directory_entry &entry : entries) {
        if (out_.failed())
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
        check(keywords::ShownPath(entry.path()),
              keywords::ReadFileBytes(entry.path(), keywords::kMaxFormulaBytes, true), true);
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
    parser.addOptions({keywordsFile, json, missed, codeOnly});
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
    Checking checking(checker, jsonLines);
    for (const QString &name : names)
        checking.named(name);
    // A full disk or a closed pipe must not pass for a clean run.
    if (!checking.written() || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        complain(QStringLiteral("could not write to standard output"));
        return kError;
    }
    return checking.status();
}

} // namespace cli
