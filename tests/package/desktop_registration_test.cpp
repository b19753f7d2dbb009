// The per-user desktop registration of a program run from a build tree, and its retreat when the
// program is installed with system-wide files: what is written, what is removed, what is left alone.
#include "app/ui/file_type_registration.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kszw;
using kszw::test::readFile;
using kszw::test::TempDir;

namespace {

const char* const kDesktopFile = "applications/kszw.desktop";
const char* const kMimeFile = "mime/packages/x-kszw-ksk.xml";
const char* const kProgramIconFile = "icons/hicolor/scalable/apps/kszw.svg";
const char* const kYearFileIconFile = "icons/hicolor/scalable/mimetypes/application-x-kszw-ksk.svg";

// The cache tools run as child processes, which want an application object.
class QtApplication : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "kszw_package_tests";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { m_application.reset(); }

private:
    std::unique_ptr<QCoreApplication> m_application;
};
const auto* const kApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

void writeFile(const fs::path& path, const std::string& content)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string resource(const char* name)
{
    QFile file(QString::fromUtf8(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll().toStdString();
}

QString qt(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

// Every file under folder, relative to it.
std::vector<std::string> filesUnder(const fs::path& folder)
{
    std::vector<std::string> files;
    if (!fs::exists(folder))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A desktop entry as the program wrote it before it named its icon.
std::string entryWithoutIcon(const std::string& program)
{
    return "[Desktop Entry]\nType=Application\nName=岚屿穗帐务软件\nExec=\"" + program
           + "\" %f\nMimeType=application/x-kszw-ksk;\nTerminal=false\nCategories=Office;Finance;\n";
}

// An installation: <prefix>/bin/kszw with <prefix>/share/applications/kszw.desktop; returns the program.
fs::path makeInstallation(const fs::path& prefix)
{
    writeFile(prefix / "bin/kszw", "");
    writeFile(prefix / "share/applications/kszw.desktop", "[Desktop Entry]\n");
    return prefix / "bin/kszw";
}

} // namespace

TEST(DesktopRegistration, FromABuildTreeWritesTheEntryTheTypeAndBothIcons)
{
    TempDir folder;
    const fs::path home = folder.path() / "data";
    const std::string program = "/home/user/kszw/build/kszw";
    ASSERT_EQ(registerFileType(qt(home), QString::fromStdString(program)), FileTypeRegistration::PerUser);

    EXPECT_EQ(readFile(home / kDesktopFile),
              "[Desktop Entry]\nType=Application\nName=岚屿穗帐务软件\nExec=\"" + program
                  + "\" %f\nIcon=kszw\nMimeType=application/x-kszw-ksk;\nTerminal=false\nCategories=Office;Finance;\n"
                    "StartupWMClass=Kszw\n");
    const std::string mime = readFile(home / kMimeFile);
    for (const char* element : {"<mime-type type=\"application/x-kszw-ksk\">", "<comment>岚屿穗帐务数据文件</comment>",
                                "<icon name=\"application-x-kszw-ksk\"/>", "<glob pattern=\"*.ksk\"/>",
                                "<glob pattern=\"*.KSK\"/>"})
        EXPECT_NE(mime.find(element), std::string::npos) << element;
    EXPECT_EQ(readFile(home / kProgramIconFile), resource(":/icons/kszw.svg"));
    EXPECT_EQ(readFile(home / kYearFileIconFile), resource(":/icons/application-x-kszw-ksk.svg"));
    EXPECT_FALSE(resource(":/icons/kszw.svg").empty());
    // The desktop's MIME database was rebuilt, so *.ksk files get the type at once.
    if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
        EXPECT_NE(readFile(home / "mime/globs2").find(":application/x-kszw-ksk:*.ksk"), std::string::npos);
    }
}

TEST(DesktopRegistration, RunAgainChangesNothingAndLeavesNoTemporaryFiles)
{
    TempDir folder;
    const fs::path home = folder.path() / "data";
    ASSERT_EQ(registerFileType(qt(home), QStringLiteral("/opt/b/kszw")), FileTypeRegistration::PerUser);
    const std::vector<std::string> before = filesUnder(home);
    const auto desktopTime = fs::last_write_time(home / kDesktopFile);
    ASSERT_EQ(registerFileType(qt(home), QStringLiteral("/opt/b/kszw")), FileTypeRegistration::PerUser);
    EXPECT_EQ(filesUnder(home), before);
    EXPECT_EQ(fs::last_write_time(home / kDesktopFile), desktopTime);

    // Another build tree takes the entry over, by a rename: only the finished files are there.
    ASSERT_EQ(registerFileType(qt(home), QStringLiteral("/opt/other/kszw")), FileTypeRegistration::PerUser);
    EXPECT_NE(readFile(home / kDesktopFile).find("Exec=\"/opt/other/kszw\" %f\n"), std::string::npos);
    EXPECT_EQ(filesUnder(home), before);
}

TEST(DesktopRegistration, AnOldEntryWithoutIconIsBroughtUpToDate)
{
    TempDir folder;
    const fs::path home = folder.path() / "data";
    writeFile(home / kDesktopFile, entryWithoutIcon("/opt/b/kszw"));
    ASSERT_EQ(registerFileType(qt(home), QStringLiteral("/opt/b/kszw")), FileTypeRegistration::PerUser);
    EXPECT_NE(readFile(home / kDesktopFile).find("\nIcon=kszw\n"), std::string::npos);
}

TEST(DesktopRegistration, AnInstalledProgramWritesNothingAndRemovesOnlyItsOwnOldFiles)
{
    struct Case {
        const char* name;
        std::string userEntry; // the per-user kszw.desktop before the start ("" for none)
        bool removed;
    };
    const Case cases[] = {
        {"entry written by this version", userDesktopEntry(QStringLiteral("/home/u/src/build/kszw")).toStdString(), true},
        {"entry written before icons", entryWithoutIcon("/home/u/src/build/kszw"), true},
        {"entry the user renamed", "[Desktop Entry]\nName[en]=Ledger\n" + entryWithoutIcon("/home/u/src/build/kszw").substr(16), false},
        {"entry for another program", entryWithoutIcon("/usr/bin/gnucash"), false},
        {"entry with the user's own key", entryWithoutIcon("/b/kszw") + "NoDisplay=true\n", false},
        {"no entry", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        const fs::path home = folder.path() / "data";
        const fs::path program = makeInstallation(folder.path() / "usr");
        if (!c.userEntry.empty())
            writeFile(home / kDesktopFile, c.userEntry);
        writeFile(home / kMimeFile, userMimeDefinition().toStdString());
        writeFile(home / kProgramIconFile, resource(":/icons/kszw.svg"));
        writeFile(home / kYearFileIconFile, "<svg>the user's own drawing</svg>");

        ASSERT_EQ(registerFileType(qt(home), qt(program)), FileTypeRegistration::SystemWide);

        EXPECT_EQ(fs::exists(home / kDesktopFile), !c.userEntry.empty() && !c.removed);
        if (fs::exists(home / kDesktopFile)) {
            EXPECT_EQ(readFile(home / kDesktopFile), c.userEntry);
        }
        EXPECT_FALSE(fs::exists(home / kMimeFile));
        EXPECT_FALSE(fs::exists(home / kProgramIconFile));
        EXPECT_EQ(readFile(home / kYearFileIconFile), "<svg>the user's own drawing</svg>");
    }
}

TEST(DesktopRegistration, AnInstalledProgramOnACleanAccountTouchesNothing)
{
    TempDir folder;
    const fs::path home = folder.path() / "data";
    const fs::path program = makeInstallation(folder.path() / "usr");
    ASSERT_EQ(registerFileType(qt(home), qt(program)), FileTypeRegistration::SystemWide);
    EXPECT_FALSE(fs::exists(home));
}

TEST(DesktopRegistration, AFolderThatCannotBeWrittenEndsTheRegistrationQuietly)
{
    TempDir folder;
    // The data folder is a file: nothing can be made under it.
    const fs::path home = folder.path() / "data";
    writeFile(home, "not a folder");
    EXPECT_EQ(registerFileType(qt(home), QStringLiteral("/opt/b/kszw")), FileTypeRegistration::Failed);
    EXPECT_EQ(readFile(home), "not a folder");
}

TEST(DesktopRegistration, OwnEntriesAreToldFromOthers)
{
    struct Case {
        std::string content;
        bool own;
    };
    const std::string current = userDesktopEntry(QStringLiteral("/x/kszw")).toStdString();
    const Case cases[] = {
        {current, true},
        {entryWithoutIcon("/x/y z/kszw"), true},
        {current.substr(0, current.size() - 1), false},                    // no final line end
        {"[Desktop Entry]\n", false},                                      // keys missing
        {entryWithoutIcon("/x/kszw") + "Terminal=false\n", false},         // a key twice
        {entryWithoutIcon("/x/kszw-cli"), false},                          // another program
        {"# mine\n" + current, false},                                     // the user's comment
        {std::string(current).replace(current.find("Finance"), 7, "Money"), false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isOwnDesktopEntry(QByteArray::fromStdString(c.content)), c.own) << c.content;
}

TEST(DesktopRegistration, AnEntryInTheSystemsDataFoldersMakesABuildTreeRunStepBack)
{
    TempDir folder;
    const fs::path home = folder.path() / "data";
    const fs::path system = folder.path() / "usr/share";
    // An earlier run from the build tree left its files.
    ASSERT_EQ(registerFileType(qt(home), QStringLiteral("/home/u/src/build/kszw"), {qt(home)}),
              FileTypeRegistration::PerUser); // the user's own folder never counts as the system's
    ASSERT_TRUE(fs::exists(home / kDesktopFile));
    // Then the package is installed: the build tree's program steps back and takes its files away,
    // so the menu and the file manager start the installed program.
    writeFile(system / kDesktopFile, "[Desktop Entry]\n");
    EXPECT_EQ(registerFileType(qt(home), QStringLiteral("/home/u/src/build/kszw"), {qt(home), qt(system)}),
              FileTypeRegistration::SystemWide);
    for (const char* file : {kDesktopFile, kMimeFile, kProgramIconFile, kYearFileIconFile})
        EXPECT_FALSE(fs::exists(home / file)) << file;
}

TEST(DesktopRegistration, ABuildTreeRunNeverOverwritesWhatTheUserMadeOrChanged)
{
    struct Case {
        const char* file;
        std::string content;
    };
    const Case cases[] = {
        {kDesktopFile, entryWithoutIcon("/b/kszw") + "NoDisplay=true\n"},
        {kDesktopFile, entryWithoutIcon("/usr/bin/gnucash")},
        {kMimeFile, "<mime-info>the user's own</mime-info>\n"},
        {kProgramIconFile, "<svg>the user's own drawing</svg>"},
        {kYearFileIconFile, "<svg>the user's own drawing</svg>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir folder;
        const fs::path home = folder.path() / "data";
        writeFile(home / c.file, c.content);
        EXPECT_EQ(registerFileType(qt(home), QStringLiteral("/opt/b/kszw")), FileTypeRegistration::PerUser);
        EXPECT_EQ(readFile(home / c.file), c.content);
    }
    // An entry of ours for another build tree is ours to rewrite.
    TempDir folder;
    const fs::path home = folder.path() / "data";
    writeFile(home / kDesktopFile, entryWithoutIcon("/old/build/kszw"));
    EXPECT_EQ(registerFileType(qt(home), QStringLiteral("/opt/b/kszw")), FileTypeRegistration::PerUser);
    EXPECT_EQ(readFile(home / kDesktopFile), userDesktopEntry(QStringLiteral("/opt/b/kszw")).toStdString());
}

TEST(DesktopRegistration, TheProgramsPathIsOneArgumentOfTheExecLine)
{
    const struct {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/opt/b/kszw", "Exec=\"/opt/b/kszw\" %f"},
        {"/home/u/my build/kszw", "Exec=\"/home/u/my build/kszw\" %f"},
        {"/home/u/100%/kszw", "Exec=\"/home/u/100%%/kszw\" %f"},
        {"/home/u/$HOME/kszw", "Exec=\"/home/u/\\\\$HOME/kszw\" %f"},
        {"/home/u/a\"b/kszw", "Exec=\"/home/u/a\\\\\"b/kszw\" %f"},
        {"/home/u/a\\b/kszw", "Exec=\"/home/u/a\\\\\\\\b/kszw\" %f"},
    };
    for (const auto& c : cases) {
        const std::string entry = userDesktopEntry(QString::fromUtf8(c.path)).toStdString();
        EXPECT_NE(entry.find(std::string("\n") + c.exec + "\n"), std::string::npos) << entry;
        EXPECT_TRUE(isOwnDesktopEntry(QByteArray::fromStdString(entry))) << entry;
    }
}
