// kszw-cli's PDF output: an application on the offscreen platform, made only when a PDF is asked
// for, and the view laid out, listed and printed as the program prints it.
#include "cli/pdf_output.h"

#include "chart/ui/subject_print_view.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "formview/print_settings.h"
#include "formview/ui/form_printer.h"
#include "formview/view_kinds.h"
#include "session/kszw_env.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>

#include <cstdio>
#include <memory>

namespace kszw::cli {

namespace {

// The toolkit's remarks about its surroundings (no runtime folder, what the offscreen platform
// cannot do) are no business of the command's user; its errors still reach stderr.
void toolkitMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// The application the widgets need, on the offscreen platform: a PDF needs no display.
std::unique_ptr<QApplication> offscreenApplication()
{
    if (QCoreApplication::instance())
        return nullptr;
    qInstallMessageHandler(toolkitMessages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "kszw-cli";
    static char* argv[] = {name, nullptr};
    auto application = std::make_unique<QApplication>(argc, argv);
    // The printed books use the Song face "宋体", as in the program.
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                        QStringLiteral("Noto Serif CJK SC"),
                                                        QStringLiteral("Noto Sans CJK SC")});
    return application;
}

void tellCannotWrite(Prompt& prompt, const std::string& path)
{
    prompt.warn("无法写入文件“" + path + "”！");
}

} // namespace

bool writeChartPdf(CKszwEnv& env, const std::string& root, const std::string& path, Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    const QFileInfo target(file);
    if (!target.absoluteDir().exists() || target.isDir()) {
        tellCannotWrite(prompt, path);
        return false;
    }
    SystemClock clock;
    CKszwSubjectPrint view(env, clock);
    view.setPrompt(prompt);
    view.setSettingsKey(SettingsKey{&env.db(), viewFlag(ViewKind::ChartPrint), std::string(kDefaultFieldMode)});
    if (!view.listChart(root))
        return false;
    QFile::remove(file);
    if (!exportViewToPdf(view, file, prompt))
        return false;
    // A file the system would not let the printer write is not there now.
    if (!QFileInfo(file).isFile() || QFileInfo(file).size() == 0) {
        tellCannotWrite(prompt, path);
        return false;
    }
    return true;
}

} // namespace kszw::cli
