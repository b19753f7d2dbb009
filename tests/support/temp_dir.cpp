#include "support/temp_dir.h"

#include "store/database_error.h"
#include "store/server_years.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace kszw::test {

namespace {

struct TestServer {
    bool wanted = false;
    bool available = false;
    std::string host;
    std::string port;
};

const TestServer& testServer()
{
    static const TestServer server = [] {
        TestServer found;
        // Set to the file the test cluster's start writes ("HOST PORT USER"), which is missing
        // when the server's programs are not installed.
        const char* info = std::getenv("KSZW_TEST_SERVER_INFO");
        found.wanted = info && *info;
        if (!found.wanted)
            return found;
        std::ifstream in(info);
        std::string user;
        if (in >> found.host >> found.port >> user) {
            found.available = true;
            // The programs the tests start connect as the test cluster's user.
            ::setenv("PGUSER", user.c_str(), 1);
            ::unsetenv("PGPASSWORD");
        }
        return found;
    }();
    return server;
}

// On the server run without a server (its programs not installed), every test skips itself.
class ServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (testServer().wanted && !testServer().available)
            GTEST_SKIP() << "no test server: the PostgreSQL server programs are not installed "
                            "(scripts/install-deps.sh installs them); the server-engine run is skipped";
    }
};

const bool kServerEnvironmentAdded = [] {
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);
    return true;
}();

bool isYearFileName(const std::string& name)
{
    if (name.size() != 8)
        return false;
    for (int i = 0; i < 4; ++i)
        if (name[static_cast<size_t>(i)] < '0' || name[static_cast<size_t>(i)] > '9')
            return false;
    std::string suffix = name.substr(4);
    for (char& c : suffix)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return suffix == ".ksk";
}

} // namespace

bool onServerEngine()
{
    return testServer().wanted;
}

std::string testServerLocation(const std::string& database)
{
    return "postgresql://" + testServer().host + ":" + testServer().port + "/" + database;
}

std::string TempDir::file(const std::string& name) const
{
    const std::filesystem::path relative(name);
    const std::string leaf = relative.filename().string();
    // A year file that exists already, or one in a subfolder that exists (an account set made in
    // a folder by a command given that folder), stays a file.
    std::error_code error;
    if (!onServerEngine() || !isYearFileName(leaf) || relative.is_absolute()
        || std::filesystem::exists(m_path / name, error)
        || (relative.has_parent_path() && std::filesystem::exists(m_path / relative.parent_path(), error)))
        return (m_path / name).string();
    const std::string folder = relative.parent_path().string();
    auto found = m_databases.find(folder);
    if (found == m_databases.end()) {
        static int counter = 0;
        const std::string database = "kt_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
        found = m_databases.emplace(folder, testServerLocation(database)).first;
    }
    return found->second + "?year=" + leaf.substr(0, 4);
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kszw-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern;
}

TempDir::~TempDir()
{
    for (const auto& [folder, location] : m_databases) {
        try {
            dropServerAccountSet(location);
        } catch (const DatabaseError&) {
            // The test server is already gone.
        }
    }
    std::error_code error;
    // Give back write permission first so read-only files and folders can go too.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(m_path, error);
}

int runCommand(const std::string& commandLine, std::string& output, bool mergeStderr)
{
    std::string line = commandLine + (mergeStderr ? " 2>&1" : "");
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe)
        return -1;
    output.clear();
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runAsAnotherUser(const std::function<int()>& work)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(255);
        ::_exit(work() & 0xff);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::string shellQuote(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace kszw::test
