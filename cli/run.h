#pragma once

#include "output.h"
#include "textfile.h"

#include <QCoreApplication>
#include <QStringList>

#include <functional>
#include <memory>

namespace cli {

// What a run ends with, as grep and linters say it.
enum ExitStatus {
    kNothingFound = 0,
    kFound = 1,
    kError = 2, // a bad option, or a keyword or formula file that could not be read
};

// Where a run reads and writes.
struct Console
{
    Destination &out;
    Destination &err;
    // Standard output is a terminal, where the user waits for each file.
    bool interactive = false;
    // Standard input, read whole up to the size limit.
    std::function<keywords::FileBytes()> input;
    // The threads that check by default.
    unsigned cores = 1;
};

// The whole program from its arguments (the program's name first): reads the
// keyword list and the formula files and folders, writes findings to the
// console's output and failures to its errors. `application` makes the
// QCoreApplication whose arguments Qt's help text takes the program's name
// from; nothing else needs one, and the checker starts faster without.
int Run(const QStringList &arguments, Console console,
        const std::function<std::unique_ptr<QCoreApplication>()> &application);

// The same on the process's standard streams.
int Run(const QStringList &arguments,
        const std::function<std::unique_ptr<QCoreApplication>()> &application);

} // namespace cli
