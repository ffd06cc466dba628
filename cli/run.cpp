#include "run.h"

#include "checker.h"
#include "defaulttable.h"
#include "keywordfile.h"
#include "textfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace cli {

namespace {

const QString kStandardInput = QStringLiteral("-");

void Write(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

void Complain(const QString &text)
{
    Write(stderr,
          (QCoreApplication::applicationName() + QStringLiteral(": ") + text + u'\n').toUtf8());
}

// Without --keywords: code.ini here, else the default table.
keywords::FileError LoadUnnamedList(QStringList &entries)
{
    // A folder of that name counts too: it is reported rather than passed over.
    if (QFileInfo::exists(keywords::KeywordFilePath()))
        return keywords::LoadKeywordList(entries);
    entries = keywords::DefaultKeywordTable();
    return {};
}

keywords::TextFile ReadFormula(const QString &name)
{
    if (name != kStandardInput)
        return keywords::ReadTextFile(name, keywords::kMaxFormulaBytes);
    const keywords::FileBytes input = keywords::ReadStandardInput(keywords::kMaxFormulaBytes, true);
    if (input.outcome != keywords::FileBytes::Read)
        return {{}, input.failure};
    return {keywords::DecodeText(input.bytes), {}};
}

} // namespace

int Run(const QStringList &arguments)
{
    QCoreApplication::setApplicationName(QStringLiteral("future-check-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FUTURE_CHECK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reports where the functions of a keyword list occur in formula files.\n"
        "The list is the file of --keywords, else code.ini in the current directory,\n"
        "else the built-in default table.\n"
        "Exit status: 0 nothing found, 1 something found, 2 an error."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption keywordsFile({QStringLiteral("k"), QStringLiteral("keywords")},
                                          QStringLiteral("Read the keyword list from <FILE>."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("Write one JSON object per file and line, clean files too."));
    parser.addOptions({keywordsFile, json});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Formula file; none or - reads standard input."),
                                 QStringLiteral("[FILE...]"));

    if (!parser.parse(arguments)) {
        Complain(parser.errorText() + QStringLiteral("\nTry --help."));
        return kError;
    }
    if (parser.isSet(help) || parser.optionNames().contains(QStringLiteral("help-all"))) {
        Write(stdout, parser.helpText().toUtf8());
        return kNothingFound;
    }
    if (parser.isSet(version)) {
        Write(stdout, (QCoreApplication::applicationName() + u' ' +
                       QCoreApplication::applicationVersion() + u'\n')
                          .toUtf8());
        return kNothingFound;
    }

    QStringList entries;
    if (const keywords::FileError error =
            parser.isSet(keywordsFile)
                ? keywords::LoadKeywordList(parser.value(keywordsFile), entries)
                : LoadUnnamedList(entries)) {
        Complain(error.reason);
        return kError;
    }
    const FormulaChecker checker(entries);

    QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        files.append(kStandardInput);
    const bool jsonLines = parser.isSet(json);
    bool found = false;
    bool failed = false;
    for (const QString &file : files) {
        const keywords::TextFile formula = ReadFormula(file);
        if (!formula.failure.isEmpty()) {
            failed = true;
            Complain(file + QStringLiteral(": ") + formula.failure);
            if (jsonLines)
                Write(stdout, JsonFailure(file, formula.failure));
            continue;
        }
        const QList<Finding> findings = checker.check(formula.text);
        found = found || !findings.isEmpty();
        Write(stdout, jsonLines ? JsonReport(file, findings) : TextReport(file, findings));
    }
    // A full disk or a closed pipe must not pass for a clean run.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        Complain(QStringLiteral("could not write to standard output"));
        return kError;
    }
    return failed ? kError : found ? kFound : kNothingFound;
}

} // namespace cli
