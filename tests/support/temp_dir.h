// A temporary folder for a test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace kszw::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // A path inside the folder.
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Runs a shell command line; returns its exit status and fills output with what it printed on
// stdout (and stderr when mergeStderr).
int runCommand(const std::string& commandLine, std::string& output, bool mergeStderr = false);

// Quotes a word for the shell.
std::string shellQuote(const std::string& word);

} // namespace kszw::test
