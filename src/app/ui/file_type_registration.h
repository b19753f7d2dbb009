// Registers the year data file type with the desktop for a program run from a build tree: a
// freedesktop MIME type for *.ksk with its icon, the program's icon, and a .desktop entry that opens
// such files with this program, all under the user's data folder (~/.local/share). An installed
// program (one whose prefix holds share/applications/kszw.desktop) leaves that to the system-wide
// files of the package and only removes per-user files an earlier run from a build tree wrote.
// Silent: a failure ends the registration and is not reported.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kszw {

// The MIME type of a year data file and the icon names the desktop knows the program by.
inline constexpr const char* kYearFileMimeType = "application/x-kszw-ksk";
inline constexpr const char* kProgramIconName = "kszw";
inline constexpr const char* kYearFileIconName = "application-x-kszw-ksk";
// The window class the program's windows carry (WM_CLASS, from the application name "Kszw"), which
// the .desktop entries name in StartupWMClass.
inline constexpr const char* kProgramWindowClass = "Kszw";

enum class FileTypeRegistration {
    PerUser,    // the per-user files are in place (written now or already current)
    SystemWide, // the program is installed with system-wide files; per-user files of ours removed
    Failed,     // a file could not be written
};

// Registers the running program (QCoreApplication::applicationFilePath()) in the user's data folder.
void registerFileType();

// Registers the program at programPath in dataHome (the folder holding applications/, mime/ and
// icons/). Writes only files whose content changes, each atomically (a temporary file in the same
// folder renamed over the old one), and refreshes the desktop's MIME and .desktop caches when one
// changed and the tools are there. A file the user made or changed is never overwritten. When one
// of systemDataDirs (other than dataHome) holds applications/kszw.desktop, the program is taken as
// installed system-wide: nothing is written and the per-user files of ours are removed.
FileTypeRegistration registerFileType(const QString& dataHome, const QString& programPath,
                                      const QStringList& systemDataDirs = {});

// The per-user .desktop entry written for the program at programPath.
QByteArray userDesktopEntry(const QString& programPath);
// The per-user MIME type definition (mime/packages/x-kszw-ksk.xml).
QByteArray userMimeDefinition();
// Whether content is a per-user .desktop entry this program wrote (for any program path, with or
// without the icon line of older versions), and not one the user made or changed.
bool isOwnDesktopEntry(const QByteArray& content);

} // namespace kszw
