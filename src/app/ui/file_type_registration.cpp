#include "app/ui/file_type_registration.h"

#include "app/ui/kszw_app.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace kszw {

namespace {

// Writes the file when its content differs; any failure ends the registration quietly.
bool writeIfChanged(const QString& path, const QByteArray& content)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return true;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

} // namespace

void registerFileType()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return;
    const QByteArray mime =
        QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                   "  <mime-type type=\"application/x-kszw-ksk\">\n"
                   "    <comment>")
        + QByteArray(app_text::kFileTypeDescription)
        + "</comment>\n"
          "    <glob pattern=\"*.ksk\"/>\n"
          "    <glob pattern=\"*.KSK\"/>\n"
          "  </mime-type>\n"
          "</mime-info>\n";
    if (!writeIfChanged(dataHome + QStringLiteral("/mime/packages/x-kszw-ksk.xml"), mime))
        return;
    const QByteArray program = QCoreApplication::applicationFilePath().toUtf8();
    const QByteArray desktop = QByteArray("[Desktop Entry]\n"
                                          "Type=Application\n"
                                          "Name=")
                               + app_text::kProgramTitle
                               + "\n"
                                 "Exec=\""
                               + program
                               + "\" %f\n"
                                 "MimeType=application/x-kszw-ksk;\n"
                                 "Terminal=false\n"
                                 "Categories=Office;Finance;\n";
    writeIfChanged(dataHome + QStringLiteral("/applications/kszw.desktop"), desktop);
}

} // namespace kszw
