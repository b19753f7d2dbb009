#include "app/ui/file_type_registration.h"

#include "app/app_texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QSaveFile>
#include <QSet>
#include <QStringList>
#include <QStandardPaths>

#include <functional>
#include <utility>

namespace kszw {

namespace {

const QString kDesktopFile = QStringLiteral("applications/kszw.desktop");
const QString kMimeFile = QStringLiteral("mime/packages/x-kszw-ksk.xml");
const QString kProgramIconFile = QStringLiteral("icons/hicolor/scalable/apps/kszw.svg");
const QString kYearFileIconFile = QStringLiteral("icons/hicolor/scalable/mimetypes/application-x-kszw-ksk.svg");
const QString kProgramIconResource = QStringLiteral(":/icons/kszw.svg");
const QString kYearFileIconResource = QStringLiteral(":/icons/application-x-kszw-ksk.svg");

// The caches are refreshed in the foreground, and given this long, so nothing is left running when
// the program (or a test) goes on with the folder.
constexpr int kCacheToolMilliseconds = 5000;

QByteArray readAll(const QString& path, bool* exists = nullptr)
{
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    if (exists)
        *exists = opened;
    return opened ? file.readAll() : QByteArray();
}

enum class WriteResult { Unchanged, Written, Failed };

// Writes the file when its content differs, through a temporary file in the same folder that is
// renamed over the old one, so a crash leaves either the old file or the new one.
WriteResult writeIfChanged(const QString& path, const QByteArray& content)
{
    bool exists = false;
    if (readAll(path, &exists) == content && exists)
        return WriteResult::Unchanged;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return WriteResult::Failed;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return WriteResult::Failed;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return WriteResult::Failed;
    }
    return file.commit() ? WriteResult::Written : WriteResult::Failed;
}

// Removes the file when it holds exactly one of the contents given.
bool removeIfOneOf(const QString& path, const QList<QByteArray>& contents)
{
    bool exists = false;
    const QByteArray content = readAll(path, &exists);
    return exists && contents.contains(content) && QFile::remove(path);
}

bool removeIfOwnDesktopEntry(const QString& path)
{
    bool exists = false;
    const QByteArray content = readAll(path, &exists);
    return exists && isOwnDesktopEntry(content) && QFile::remove(path);
}

QByteArray mimeDefinition(bool withIcon)
{
    QByteArray xml = QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                                "  <mime-type type=\"")
                     + kYearFileMimeType + "\">\n    <comment>" + app_text::kFileTypeDescription
                     + "</comment>\n";
    if (withIcon)
        xml += QByteArray("    <icon name=\"") + kYearFileIconName + "\"/>\n";
    xml += "    <glob pattern=\"*.ksk\"/>\n"
           "    <glob pattern=\"*.KSK\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
    return xml;
}

// Runs a desktop cache tool on a folder when the tool is installed.
void refreshCache(const QString& tool, const QString& folder)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty() || !QFileInfo(folder).isDir())
        return;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {folder});
    if (!process.waitForFinished(kCacheToolMilliseconds)) {
        process.kill();
        process.waitForFinished();
    }
}

// Whether the program is installed with system-wide desktop files: the program at programPath
// belongs to one (<prefix>/bin/kszw next to <prefix>/share/applications/kszw.desktop), or one of the
// system's data folders holds the entry already. A per-user entry would hide that installed one.
bool installedSystemWide(const QString& programPath, const QString& dataHome, const QStringList& systemDataDirs)
{
    const QDir binDir = QFileInfo(programPath).absoluteDir();
    if (QFileInfo::exists(binDir.absoluteFilePath(QStringLiteral("../share/") + kDesktopFile)))
        return true;
    const QString home = QFileInfo(dataHome).absoluteFilePath();
    for (const QString& dir : systemDataDirs) {
        if (QFileInfo(dir).absoluteFilePath() != home && QFileInfo::exists(QDir(dir).filePath(kDesktopFile)))
            return true;
    }
    return false;
}

// Writes the file when it is missing or holds what this program writes (isOwn); a file the user
// made or changed stays as it is.
WriteResult writeOwn(const QString& path, const QByteArray& content, const std::function<bool(const QByteArray&)>& isOwn)
{
    bool exists = false;
    const QByteArray present = readAll(path, &exists);
    if (exists && present != content && !isOwn(present))
        return WriteResult::Unchanged;
    return writeIfChanged(path, content);
}

// The program's path as one argument of an Exec line: quoted, with the characters the quoting
// reserves escaped, "%" doubled, and then every backslash doubled as a string value wants it.
QByteArray execArgument(const QString& programPath)
{
    QByteArray quoted = "\"";
    for (const char c : programPath.toUtf8()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return quoted.replace("\\", "\\\\");
}

} // namespace

QByteArray userDesktopEntry(const QString& programPath)
{
    return QByteArray("[Desktop Entry]\n"
                      "Type=Application\n"
                      "Name=")
           + app_text::kProgramTitle + "\nExec=" + execArgument(programPath) + " %f\nIcon=" + kProgramIconName
           + "\nMimeType=" + kYearFileMimeType + ";\nTerminal=false\nCategories=Office;Finance;\n"
           + "StartupWMClass=" + kProgramWindowClass + "\n";
}

QByteArray userMimeDefinition()
{
    return mimeDefinition(true);
}

bool isOwnDesktopEntry(const QByteArray& content)
{
    // The entries this program writes, older ones included: the header, then exactly these keys
    // with these values (Icon and StartupWMClass came later), and Exec naming a program "…/kszw".
    const QList<QByteArray> lines = content.split('\n');
    if (lines.size() < 2 || lines.first() != "[Desktop Entry]" || !lines.last().isEmpty())
        return false;
    const QByteArray name = QByteArray("Name=") + app_text::kProgramTitle;
    const QByteArray mimeType = QByteArray("MimeType=") + kYearFileMimeType + ";";
    const QByteArray icon = QByteArray("Icon=") + kProgramIconName;
    const QByteArray windowClass = QByteArray("StartupWMClass=") + kProgramWindowClass;
    const QList<QByteArray> required = {"Type=Application", name, mimeType, "Terminal=false",
                                        "Categories=Office;Finance;"};
    QSet<QByteArray> seen;
    bool execSeen = false;
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.startsWith("Exec=\"") && line.endsWith("/kszw\" %f")) {
            if (execSeen)
                return false;
            execSeen = true;
        } else if (!(required.contains(line) || line == icon || line == windowClass) || seen.contains(line)) {
            return false;
        }
        seen.insert(line);
    }
    for (const QByteArray& line : required) {
        if (!seen.contains(line))
            return false;
    }
    return execSeen;
}

FileTypeRegistration registerFileType(const QString& dataHome, const QString& programPath,
                                      const QStringList& systemDataDirs)
{
    const QDir home(dataHome);
    const QByteArray programIcon = readAll(kProgramIconResource);
    const QByteArray yearFileIcon = readAll(kYearFileIconResource);

    if (installedSystemWide(programPath, dataHome, systemDataDirs)) {
        // An entry left by a run from a build tree would hide the installed one (the user's folder
        // comes first): the files this program wrote go, anything else stays.
        const bool removedDesktop = removeIfOwnDesktopEntry(home.filePath(kDesktopFile));
        const bool removedMime =
            removeIfOneOf(home.filePath(kMimeFile), {mimeDefinition(true), mimeDefinition(false)});
        if (!programIcon.isEmpty())
            removeIfOneOf(home.filePath(kProgramIconFile), {programIcon});
        if (!yearFileIcon.isEmpty())
            removeIfOneOf(home.filePath(kYearFileIconFile), {yearFileIcon});
        if (removedMime)
            refreshCache(QStringLiteral("update-mime-database"), home.filePath(QStringLiteral("mime")));
        if (removedDesktop)
            refreshCache(QStringLiteral("update-desktop-database"), home.filePath(QStringLiteral("applications")));
        return FileTypeRegistration::SystemWide;
    }

    // The icons first, so the entries that name them never point at a missing icon. Only files that
    // are missing or this program's own are written: what the user made or changed stays.
    const std::pair<QString, QByteArray> icons[] = {{kProgramIconFile, programIcon}, {kYearFileIconFile, yearFileIcon}};
    for (const auto& [path, content] : icons) {
        if (content.isEmpty()
            || writeOwn(home.filePath(path), content, [](const QByteArray&) { return false; }) == WriteResult::Failed)
            return FileTypeRegistration::Failed;
    }
    const WriteResult mime = writeOwn(home.filePath(kMimeFile), userMimeDefinition(), [](const QByteArray& present) {
        return present == mimeDefinition(true) || present == mimeDefinition(false);
    });
    if (mime == WriteResult::Failed)
        return FileTypeRegistration::Failed;
    if (mime == WriteResult::Written)
        refreshCache(QStringLiteral("update-mime-database"), home.filePath(QStringLiteral("mime")));
    const WriteResult desktop = writeOwn(home.filePath(kDesktopFile), userDesktopEntry(programPath), isOwnDesktopEntry);
    if (desktop == WriteResult::Failed)
        return FileTypeRegistration::Failed;
    if (desktop == WriteResult::Written)
        refreshCache(QStringLiteral("update-desktop-database"), home.filePath(QStringLiteral("applications")));
    return FileTypeRegistration::PerUser;
}

void registerFileType()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return;
    // The system's data folders (XDG_DATA_DIRS) come after the user's own in the standard list.
    registerFileType(dataHome, QCoreApplication::applicationFilePath(),
                     QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation));
}

} // namespace kszw
