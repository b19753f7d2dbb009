// The include check of the source tree: every #include "folder/…" under src/ must follow the order
// of the folders written in src/layers.txt.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kszw::test {

struct IncludeViolation {
    std::string file;     // path relative to the source root, e.g. "src/store/year_file.cpp"
    int line = 0;
    std::string from;     // the including folder ("store", "formview/ui" …)
    std::string to;       // the included folder
    std::string message;  // one line naming file, line, both folders and the rule broken
};

// Reads the order file: one folder name per line; blank lines and lines starting with "#" are skipped.
std::vector<std::string> readFolderOrder(const std::filesystem::path& orderFile);

// Checks every .h and .cpp file under root/src against the order. A file of a folder not in the
// order is itself a violation (line 0), so a new folder cannot slip past the check.
std::vector<IncludeViolation> checkIncludeOrder(const std::filesystem::path& root,
                                                const std::vector<std::string>& order);

} // namespace kszw::test
