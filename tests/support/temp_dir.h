// A temporary folder for a test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <functional>
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

// Runs work in a child process as a user who does not own the files this process makes (when this
// process runs as root: the user "nobody"; otherwise this same user) and returns what work
// returned (0 to 255), or -1 when the child could not run it.
int runAsAnotherUser(const std::function<int()>& work);

// Quotes a word for the shell.
std::string shellQuote(const std::string& word);

// The whole content of a file, byte for byte; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

} // namespace kszw::test
