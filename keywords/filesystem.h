#pragma once

#include <QString>

#include <filesystem>
#include <memory>

namespace keywords {

// The operating system's files as the readers need them: the one place that
// knows which system it runs on.

// A name as the system takes it, and back as it is shown.
std::filesystem::path NativePath(const QString &path);
QString ShownPath(const std::filesystem::path &path);

// Whether a folder's entry is hidden: a name starting with a dot, and on
// Windows also the hidden attribute.
bool IsHidden(const std::filesystem::directory_entry &entry);

// Whether standard output goes to a terminal, where the user waits for each line.
bool StandardOutputIsTerminal();

// An open file, device or pipe, read as the system reads it.
class Source
{
public:
    enum Kind { File, Folder, Stream };

    virtual ~Source() = default;
    // What it is, and for a file its size.
    virtual Kind kind() const = 0;
    virtual qint64 size() const = 0;
    // Up to `most` bytes, 0 at the end, -1 on failure (see failure()).
    virtual qint64 read(char *into, qint64 most) = 0;
    virtual QString failure() const = 0;
};

// Opens `path` for reading, or says why not; `missing` tells whether nothing
// of that name exists. A folder opens too, as a source that cannot be read.
std::unique_ptr<Source> OpenSource(const std::filesystem::path &path, QString &failure,
                                   bool &missing);
std::unique_ptr<Source> OpenStandardInput(QString &failure);

} // namespace keywords
