// The installation of this build (cmake --install into a temporary prefix) and its Debian package:
// every file in its place, the menu entry and the MIME type as the desktop reads them, and the
// installed programs running from the prefix.
#include "kszw_version.h"
#include "store/year_file_name.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kszw::test::readFile;
using kszw::test::runCommand;
using kszw::test::shellQuote;
using kszw::test::TempDir;

namespace {

const fs::path kSourceDir = KSZW_SOURCE_DIR;
const fs::path kBuildDir = KSZW_BUILD_DIR;

bool haveProgram(const std::string& name)
{
    std::string output;
    return runCommand("command -v " + shellQuote(name), output) == 0;
}

// The files an installation holds (relative to the prefix) and the source each is a copy of
// (empty for the programs).
std::vector<std::pair<std::string, fs::path>> expectedFiles()
{
    std::vector<std::pair<std::string, fs::path>> files = {
        {"bin/kszw-cli", {}},
        {"share/applications/kszw.desktop", kSourceDir / "data/kszw.desktop"},
        {"share/mime/packages/kszw.xml", kSourceDir / "data/kszw-ksk.xml"},
        {"share/icons/hicolor/scalable/apps/kszw.svg", kSourceDir / "data/icons/kszw.svg"},
        {"share/icons/hicolor/scalable/mimetypes/application-x-kszw-ksk.svg",
         kSourceDir / "data/icons/application-x-kszw-ksk.svg"},
        {"share/doc/kszw/README.md", kSourceDir / "README.md"},
    };
#ifdef KSZW_HAVE_GUI
    files.push_back({"bin/kszw", {}});
#endif
    // The user guide as it stands in docs/: the text and every picture.
    if (fs::exists(kSourceDir / "docs/guide.md"))
        files.push_back({"share/doc/kszw/guide.md", kSourceDir / "docs/guide.md"});
    if (fs::is_directory(kSourceDir / "docs/images")) {
        for (const auto& entry : fs::directory_iterator(kSourceDir / "docs/images")) {
            if (entry.path().extension() == ".png")
                files.push_back({"share/doc/kszw/images/" + entry.path().filename().string(), entry.path()});
        }
    }
    return files;
}

// Installs this build under <folder>/usr; returns the prefix. The component keeps the list of
// installed files that cmake writes into the build folder apart from the one of a real install.
fs::path install(const TempDir& folder)
{
    const fs::path prefix = folder.path() / "usr";
    std::string output;
    const int status = runCommand(shellQuote(KSZW_CMAKE_COMMAND) + " --install " + shellQuote(kBuildDir.string())
                                      + " --prefix " + shellQuote(prefix.string()) + " --component Unspecified",
                                  output, true);
    EXPECT_EQ(status, 0) << output;
    return prefix;
}

// The keys of the [Desktop Entry] group of a .desktop file.
std::map<std::string, std::string> desktopEntryKeys(const std::string& content)
{
    std::map<std::string, std::string> keys;
    std::istringstream in(content);
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const size_t equals = line.find('=');
        if (inEntry && equals != std::string::npos)
            keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

} // namespace

TEST(Installation, PutsEveryFileInPlaceAsACopyOfItsSource)
{
    TempDir folder;
    const fs::path prefix = install(folder);
    for (const auto& [file, source] : expectedFiles()) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(fs::is_regular_file(prefix / file));
        if (source.empty()) {
            const fs::perms perms = fs::status(prefix / file).permissions();
            EXPECT_NE(perms & fs::perms::others_exec, fs::perms::none);
        } else {
            EXPECT_EQ(readFile(prefix / file), readFile(source));
        }
    }
}

TEST(Installation, InstalledProgramsRunFromThePrefixWithoutTheBuildTree)
{
    TempDir folder;
    const fs::path prefix = install(folder);
    const std::string cli = shellQuote((prefix / "bin/kszw-cli").string());
    std::string output;

    ASSERT_EQ(runCommand(cli + " --version", output), 0);
    EXPECT_EQ(output, std::string("kszw-cli ") + KSZW_VERSION + "\n");

    const fs::path set = folder.path() / "set";
    ASSERT_EQ(runCommand(cli + " new-set " + shellQuote(set.string()) + " --year 2026", output, true), 0) << output;
    EXPECT_TRUE(fs::is_regular_file(set / "2026.ksk"));

#ifdef KSZW_HAVE_GUI
    // The version is told without a display and without choosing a platform.
    ASSERT_EQ(runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                             + shellQuote((prefix / "bin/kszw").string()) + " --version",
                         output),
              0);
    EXPECT_EQ(output, std::string("kszw ") + KSZW_VERSION + "\n");
#endif

    // No run path into the build tree: the installed programs find only the system's libraries.
    if (haveProgram("readelf")) {
        for (const char* program : {"bin/kszw-cli", "bin/kszw"}) {
            if (!fs::exists(prefix / program))
                continue;
            ASSERT_EQ(runCommand("readelf -d " + shellQuote((prefix / program).string()), output), 0);
            EXPECT_EQ(output.find("RPATH"), std::string::npos) << program << "\n" << output;
            EXPECT_EQ(output.find("RUNPATH"), std::string::npos) << program << "\n" << output;
        }
    }
}

TEST(DesktopEntry, OpensYearFilesWithTheProgramUnderItsIcon)
{
    const std::string content = readFile(kSourceDir / "data/kszw.desktop");
    ASSERT_EQ(content.rfind("[Desktop Entry]\n", 0), 0u);
    const std::map<std::string, std::string> keys = desktopEntryKeys(content);
    const std::map<std::string, std::string> expected = {
        {"Type", "Application"},
        {"Name", "岚屿穗帐务软件"},
        {"GenericName", "帐务处理"},
        {"Exec", "kszw %f"},
        {"Icon", "kszw"},
        {"Terminal", "false"},
        {"Categories", "Office;Finance;"},
        {"MimeType", "application/x-kszw-ksk;"},
        {"StartupWMClass", "Kszw"},
    };
    for (const auto& [key, value] : expected) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(keys.count(key));
        EXPECT_EQ(keys.at(key), value);
    }
    ASSERT_TRUE(keys.count("Comment"));
    EXPECT_FALSE(keys.at("Comment").empty());

    if (haveProgram("desktop-file-validate")) {
        std::string output;
        EXPECT_EQ(runCommand("desktop-file-validate " + shellQuote((kSourceDir / "data/kszw.desktop").string()), output,
                             true),
                  0)
            << output;
        EXPECT_EQ(output, "");
    }
}

TEST(MimeType, NamesTheYearFileWithItsGlobsAndIcon)
{
    const fs::path file = kSourceDir / "data/kszw-ksk.xml";
    const std::string content = readFile(file);
    const std::vector<std::string> elements = {
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">",
        "<mime-type type=\"application/x-kszw-ksk\">",
        "<comment>" + std::string(kszw::kYearFileTypeName) + "</comment>",
        "<icon name=\"application-x-kszw-ksk\"/>",
        "<glob pattern=\"*.ksk\"/>",
        "<glob pattern=\"*.KSK\"/>",
        "</mime-type>",
        "</mime-info>",
    };
    for (const std::string& element : elements)
        EXPECT_NE(content.find(element), std::string::npos) << element;
    // A year file opens in this program, not in whatever opens SQLite databases.
    EXPECT_EQ(content.find("sub-class-of"), std::string::npos);

    std::string output;
    if (haveProgram("xmllint")) {
        EXPECT_EQ(runCommand("xmllint --noout " + shellQuote(file.string()), output, true), 0) << output;
    }
    // The desktop's own tool takes it: a file named *.ksk gets the type from a database built
    // from this definition alone.
    if (haveProgram("update-mime-database")) {
        TempDir folder;
        fs::create_directories(folder.path() / "mime/packages");
        fs::copy_file(file, folder.path() / "mime/packages/kszw.xml");
        ASSERT_EQ(runCommand("update-mime-database " + shellQuote((folder.path() / "mime").string()), output, true), 0)
            << output;
        const std::string globs = readFile(folder.path() / "mime/globs2");
        EXPECT_NE(globs.find(":application/x-kszw-ksk:*.ksk"), std::string::npos) << globs;
        const std::string icons = readFile(folder.path() / "mime/generic-icons") + readFile(folder.path() / "mime/icons");
        EXPECT_NE(icons.find("application/x-kszw-ksk:application-x-kszw-ksk"), std::string::npos) << icons;
    }
}

TEST(DebianPackage, HoldsTheInstalledFilesAndNamesWhatTheProgramsNeed)
{
    if (!haveProgram(KSZW_CPACK_COMMAND) || !haveProgram("dpkg-deb"))
        GTEST_SKIP() << "cpack or dpkg-deb is not installed";
    TempDir folder;
    std::string output;
    ASSERT_EQ(runCommand("cd " + shellQuote(kBuildDir.string()) + " && " + shellQuote(KSZW_CPACK_COMMAND)
                             + " -G DEB -B " + shellQuote(folder.path().string()),
                         output, true),
              0)
        << output;
    std::vector<fs::path> packages;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        if (entry.path().extension() == ".deb")
            packages.push_back(entry.path());
    }
    ASSERT_EQ(packages.size(), 1u) << output;
    const fs::path deb = packages.front();
    EXPECT_EQ(deb.filename().string().rfind(std::string("kszw_") + KSZW_VERSION + "_", 0), 0u) << deb;
    const std::string quotedDeb = shellQuote(deb.string());

    ASSERT_EQ(runCommand("dpkg-deb -c " + quotedDeb, output), 0);
    for (const auto& [file, source] : expectedFiles())
        EXPECT_NE(output.find(" ./usr/" + file + "\n"), std::string::npos) << file << "\n" << output;

    ASSERT_EQ(runCommand("dpkg-deb -f " + quotedDeb + " Package Version", output), 0);
    EXPECT_EQ(output, std::string("Package: kszw\nVersion: ") + KSZW_VERSION + "\n");
    ASSERT_EQ(runCommand("dpkg-deb -f " + quotedDeb + " Depends", output), 0);
    for (const char* dependency : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6printsupport6", "libqt6svg6",
                                   "qt6-qpa-plugins", "libsqlite3-0", "libxlsxwriter4",
                                   "fonts-arphic-uming | fonts-noto-cjk"})
        EXPECT_NE(output.find(dependency), std::string::npos) << dependency << "\n" << output;
    ASSERT_EQ(runCommand("dpkg-deb -f " + quotedDeb + " Recommends", output), 0);
    EXPECT_EQ(output, "qt6-translations-l10n, hicolor-icon-theme, shared-mime-info\n");

    // The programs in the package run as they are unpacked, stripped of their debugging data.
    const fs::path unpacked = folder.path() / "unpacked";
    ASSERT_EQ(runCommand("dpkg-deb -x " + quotedDeb + " " + shellQuote(unpacked.string()), output, true), 0) << output;
    ASSERT_EQ(runCommand(shellQuote((unpacked / "usr/bin/kszw-cli").string()) + " --version", output), 0);
    EXPECT_EQ(output, std::string("kszw-cli ") + KSZW_VERSION + "\n");
    if (haveProgram("readelf")) {
        ASSERT_EQ(runCommand("readelf -S " + shellQuote((unpacked / "usr/bin/kszw-cli").string()), output), 0);
        EXPECT_EQ(output.find(".debug_info"), std::string::npos);
    }
}
