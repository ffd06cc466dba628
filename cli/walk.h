#pragma once

#include "textfile.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>

namespace cli {

// A file to check, in the order of the output.
struct Item
{
    QString name; // as shown
    std::filesystem::path path;
    bool inFolder = false; // found in a folder, not named
    // Read already: standard input, read in its turn, a file read on the
    // calling thread, or a folder that could not be listed, whose failure is
    // reported in its place.
    std::optional<keywords::FileBytes> read;
};

// Takes the next item; false ends the walk.
using AddItem = std::function<bool(Item)>;

// The files in a folder and its subfolders, in name order. Hidden entries
// are left out, as ripgrep leaves them; links are followed to files only, so
// that no walk goes round in a circle; devices, pipes and sockets are no
// formulas.
bool WalkFolder(const std::filesystem::path &folder, const AddItem &add);

} // namespace cli
