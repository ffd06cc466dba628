#include "walk.h"

#include "filesystem.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace cli {

bool WalkFolder(const std::filesystem::path &folder, const AddItem &add)
{
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
        return add({keywords::ShownPath(folder), folder, false, std::move(failure)});
    }
    // The entries share their folder, so their paths sort as their names do.
    std::sort(entries.begin(), entries.end(),
              [](const auto &a, const auto &b) { return a.path().native() < b.path().native(); });
    for (const std::filesystem::directory_entry &entry : entries) {
        // What the folder's listing said of the entry, without asking the
        // system again; a link is asked after, and a link to a folder passed
        // over.
        std::error_code typeError;
        if (entry.is_symlink(typeError)) {
            if (entry.is_directory(typeError))
                continue;
        } else if (entry.is_directory(typeError)) {
            if (!WalkFolder(entry.path(), add))
                return false;
            continue;
        }
        // A pipe would wait for a writer; what cannot be told is tried, and
        // reported if it fails.
        if (!typeError && !entry.is_regular_file(typeError))
            continue;
        if (!add({keywords::ShownPath(entry.path()), entry.path(), true, std::nullopt}))
            return false;
    }
    return true;
}

} // namespace cli
