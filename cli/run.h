#pragma once

#include <QStringList>

namespace cli {

// What a run ends with, as grep and linters say it.
enum ExitStatus {
    kNothingFound = 0,
    kFound = 1,
    kError = 2, // a bad option, or a keyword or formula file that could not be read
};

// The whole program from its arguments (the program's name first): reads the
// keyword list and the formula files, writes findings to standard output
// and failures to standard error.
int Run(const QStringList &arguments);

} // namespace cli
