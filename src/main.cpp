// 岚屿穗帐务软件: the desktop program. Starts the application object, which shows the main window
// and runs the login; the program ends when the login is abandoned.
#include "app/ui/kszw_app.h"
#include "app/ui/main_frame.h"
#include "app/ui/screenshot.h"
#include "app/ui/toolbar_icons.h"
#include "common/clock.h"
#include "common/ui/qt_prompt.h"
#include "session/ui/qt_user_settings.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>
#include <QMessageBox>
#include <QSessionManager>
#include <QStyleFactory>

#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>

namespace {

// An application that hands any error reaching the event loop to the program's one error
// handler and keeps running: the command in progress ends, nothing else does.
class KszwApplication : public QApplication {
public:
    using QApplication::QApplication;

    void setErrorHandler(std::function<void(const std::exception&)> handler) { m_handler = std::move(handler); }

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            if (m_handler)
                m_handler(error);
            else
                QMessageBox::warning(activeWindow(), kszw::qtText(kszw::kMessageCaption), kszw::displayText(error.what()));
        }
        return false;
    }

private:
    std::function<void(const std::exception&)> m_handler;
};

} // namespace

int main(int argc, char** argv)
{
    // The version is told before any window system is needed, so it works on a bare terminal.
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("kszw %s\n", kszw::app_text::kVersion);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: kszw [YEAR-FILE.ksk]\n"
                    "       kszw --version\n"
                    "       kszw --screenshot VIEW OUT.png --file FILE [--operator OP] [--password P]"
                    " [--size WxH] [--date YYYYMMDD]\n");
        return 0;
    }
    // --screenshot draws a window into a picture file; it needs no display.
    const bool screenshot = argc >= 2 && std::strcmp(argv[1], "--screenshot") == 0;
    if (screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    KszwApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("KsFiles"));
    QApplication::setApplicationName(QString::fromUtf8(kszw::app_text::kProgramKey));
    // Ties the windows to the desktop entry (its name and icon) where the desktop asks for it.
    QGuiApplication::setDesktopFileName(QStringLiteral("kszw"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The toolkit's own texts (file chooser, standard buttons) in Chinese.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);
    // The printed books use the Song face "宋体"; here it is the Song-style face of the system.
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                        QStringLiteral("Noto Serif CJK SC"),
                                                        QStringLiteral("Noto Sans CJK SC")});

    QApplication::setWindowIcon(kszw::programIcon());
    if (screenshot)
        return kszw::runScreenshot(QApplication::arguments().mid(2));

    kszw::QtPrompt prompt;
    kszw::QtUserSettings settings;
    kszw::SystemClock clock;
    kszw::CKszwApp app(prompt, settings, clock);
    prompt.setParent(app.mainFrame());
    application.setErrorHandler([&app](const std::exception& error) { app.showError(error); });
    // When the desktop session asks whether it may end, the child windows are closed as on exit;
    // one that refuses (unsaved work) cancels the shutdown.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &application,
                     [&app](QSessionManager& manager) {
                         if (!app.mainFrame()->closeChildren())
                             manager.cancel();
                     });
    // Start-up runs before the event loop: an error there is shown the same way, then the program ends.
    bool started = false;
    try {
        started = app.start(QApplication::arguments().mid(1));
    } catch (const std::exception& error) {
        app.showError(error);
    }
    if (!started)
        return 1;
    return QApplication::exec();
}
