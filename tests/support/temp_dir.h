// A temporary folder for a test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace kszw::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // A path inside the folder. When the tests run against a server, a year file's name
    // ("2026.ksk", also in a subfolder) gives that year in a database of this folder's own on the
    // test server instead, so the same test runs on both engines.
    std::string file(const std::string& name) const;
    // Always a path inside the folder, also for a year file's name.
    std::string localFile(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
    mutable std::map<std::string, std::string> m_databases; // subfolder -> server location
};

// True when this test run uses the server engine (KSZW_TEST_SERVER_INFO names the test cluster).
bool onServerEngine();

// The test server's location of a database, "postgresql://127.0.0.1:PORT/NAME".
std::string testServerLocation(const std::string& database);

// A test of what only a year file has (its bytes, its folder, its locks) skips itself on the
// server run.
#define KSZW_FILE_ENGINE_ONLY()                                                                            \
    do {                                                                                                   \
        if (::kszw::test::onServerEngine())                                                                \
            GTEST_SKIP() << "a year file's own behaviour";                                                 \
    } while (0)

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
