// The server dialog (a year on a database server chosen by host, port and database) and the login
// dialog taking its location in place of a year file. The parts that read years from a live server
// need the throwaway test cluster (KSZW_TEST_SERVER_INFO names its "HOST PORT USER" file) and skip
// themselves without it; an unreachable server is port 1 of this machine.
#include "accountset/year_file.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "common/ui/qt_prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/modal_closer.h"
#include "session/ui/login_dialog.h"
#include "session/ui/server_dialog.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/server_years.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

using namespace kszw;

namespace {

const QString kUnreachable = QStringLiteral("postgresql://127.0.0.1:1/books");

// The part of an unreachable server's message the program writes itself; the client library's own
// text follows it.
QString unreachableStart(const QString& location)
{
    return QStringLiteral("无法打开此文件！\r“") + location + QStringLiteral("”\r");
}

QStringList texts(const ScriptedPrompt& prompt)
{
    QStringList list;
    for (const std::string& text : prompt.texts())
        list << QString::fromStdString(text);
    return list;
}

QStringList items(const QComboBox* box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

// The chooser's 确定.
QPushButton* openButton(const CKszwFileDlg& dialog)
{
    auto* box = dialog.chooser()->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    return box ? box->button(QDialogButtonBox::Open) : nullptr;
}

void fill(CServerDlg& dialog, const QString& host, int port, const QString& database)
{
    dialog.hostEdit()->setText(host);
    dialog.portBox()->setValue(port);
    dialog.databaseEdit()->setText(database);
}

} // namespace

// Skips the test (QSKIP returns from the function it stands in) without the live server.
#define NEED_SERVER()                                                                                      \
    do {                                                                                                   \
        if (m_host.isEmpty())                                                                              \
            QSKIP("no test server (KSZW_TEST_SERVER_INFO is not set)");                                    \
    } while (0)

class ServerDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;
    FixedClock m_clock{CivilDate{2026, 12, 6}};
    // The live test server: "127.0.0.1" and its port; empty host without one.
    QString m_host;
    int m_port = 0;
    QString m_books;   // a database with the years 2024, 2025 and 2026
    QString m_empty;   // a database without a year
    QString m_server;  // "postgresql://HOST:PORT"

    QString booksYear(int year) const
    {
        return m_server + QStringLiteral("/") + m_books + QStringLiteral("?year=") + QString::number(year);
    }

    void showActive(QWidget& widget)
    {
        widget.show();
        widget.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&widget));
    }

private slots:
    void initTestCase()
    {
        m_file = m_dir.path() + QStringLiteral("/2026.ksk");
        createYearFile(m_file.toStdString(), 2026);

        const char* info = std::getenv("KSZW_TEST_SERVER_INFO");
        if (!info || !*info)
            return;
        std::ifstream in(info);
        std::string host, user;
        int port = 0;
        QVERIFY2(static_cast<bool>(in >> host >> port >> user), "the test server's file is unreadable");
        ::setenv("PGUSER", user.c_str(), 1);
        ::unsetenv("PGPASSWORD");
        m_host = QString::fromStdString(host);
        m_port = port;
        m_server = QStringLiteral("postgresql://%1:%2").arg(m_host).arg(m_port);
        m_books = QStringLiteral("kszw_gui_%1").arg(::getpid());
        m_empty = m_books + QStringLiteral("_empty");
        for (int year : {2025, 2026, 2024})
            createYearFile(booksYear(year).toStdString(), year);
        Database db = Database::open(booksYear(2026).toStdString());
        db.execute("UPDATE SYSTAB SET NA=?1", {std::string("甲公司")});
        db.close();
        const std::string empty = (m_server + QStringLiteral("/") + m_empty + QStringLiteral("?year=2026")).toStdString();
        createYearFile(empty, 2026);
        QVERIFY(dropServerYear(empty));
    }

    void cleanupTestCase()
    {
        if (m_host.isEmpty())
            return;
        dropServerAccountSet((m_server + QStringLiteral("/") + m_books).toStdString());
        dropServerAccountSet((m_server + QStringLiteral("/") + m_empty).toStdString());
    }

    // ---- the server dialog ----

    void theFieldsStartWithTheDefaultsAndOkWaitsForAYear()
    {
        ScriptedPrompt prompt;
        CServerDlg dialog(prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("连接服务器"));
        QCOMPARE(dialog.hostEdit()->text(), QStringLiteral("localhost"));
        QCOMPARE(dialog.portBox()->value(), 5432);
        QCOMPARE(dialog.portBox()->minimum(), 1);
        QCOMPARE(dialog.portBox()->maximum(), 65535);
        QVERIFY(dialog.databaseEdit()->text().isEmpty());
        QCOMPARE(dialog.readButton()->text(), QStringLiteral("读取年度"));
        QCOMPARE(dialog.okButton()->text(), QStringLiteral("确定"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("取消"));
        QCOMPARE(dialog.yearBox()->count(), 0);
        QVERIFY(!dialog.okButton()->isEnabled());
        QVERIFY(dialog.okButton()->isDefault());
        // Without a year 确定 does nothing, however it is reached.
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.chosenLocation().isEmpty());
        QVERIFY(prompt.entries().empty());

        showActive(dialog);
        QCOMPARE(QApplication::focusWidget(), dialog.databaseEdit());
        dialog.databaseEdit()->setText(QStringLiteral("books"));
        QCOMPARE(dialog.currentLocation(), QStringLiteral("postgresql://localhost:5432/books"));
    }

    void aLocationGivenFillsTheFields_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("database");
        QTest::newRow("with a year") << QStringLiteral("postgresql://db.example:6543/books?year=2025")
                                     << QStringLiteral("db.example") << 6543 << QStringLiteral("books");
        QTest::newRow("short scheme, no port") << QStringLiteral("postgres://10.0.0.7/firm_a") << QStringLiteral("10.0.0.7")
                                               << 5432 << QStringLiteral("firm_a");
        QTest::newRow("a file") << QStringLiteral("/srv/books/2026.ksk") << QStringLiteral("localhost") << 5432 << QString();
        QTest::newRow("nothing") << QString() << QStringLiteral("localhost") << 5432 << QString();
    }

    void aLocationGivenFillsTheFields()
    {
        QFETCH(QString, location);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, database);
        ScriptedPrompt prompt;
        CServerDlg dialog(prompt, location);
        QCOMPARE(dialog.hostEdit()->text(), host);
        QCOMPARE(dialog.portBox()->value(), port);
        QCOMPARE(dialog.databaseEdit()->text(), database);
        // The years are read only when asked.
        QCOMPARE(dialog.yearBox()->count(), 0);
        QVERIFY(!dialog.okButton()->isEnabled());
    }

    void theTabOrderFollowsTheFields()
    {
        ScriptedPrompt prompt;
        CServerDlg dialog(prompt);
        const QList<QWidget*> wanted{dialog.hostEdit(), dialog.portBox(),  dialog.databaseEdit(), dialog.readButton(),
                                     dialog.yearBox(),  dialog.okButton(), dialog.cancelButton()};
        QList<QWidget*> order;
        QWidget* widget = dialog.hostEdit();
        do {
            if (wanted.contains(widget) && !order.contains(widget))
                order << widget;
            widget = widget->nextInFocusChain();
        } while (widget != dialog.hostEdit());
        QCOMPARE(order, wanted);
    }

    void badNamesAreRefusedWithoutAskingTheServer_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("onHost"); // the field that takes the focus
        const QString badHost = QStringLiteral("主机名“%1”不正确：只能由字母、数字和“.”“-”“_”组成！");
        const QString badDatabase = QStringLiteral("数据库名“%1”不正确：只能由字母、数字和“_”“-”组成，最长 63 个字符！");
        QTest::newRow("no host") << QStringLiteral("  ") << QStringLiteral("books")
                                 << QStringLiteral("请输入服务器的主机名！") << true;
        QTest::newRow("space in host") << QStringLiteral("db host") << QStringLiteral("books")
                                       << badHost.arg(QStringLiteral("db host")) << true;
        QTest::newRow("user in host") << QStringLiteral("kszw@db") << QStringLiteral("books")
                                      << badHost.arg(QStringLiteral("kszw@db")) << true;
        QTest::newRow("port in host") << QStringLiteral("db:6543") << QStringLiteral("books")
                                      << badHost.arg(QStringLiteral("db:6543")) << true;
        QTest::newRow("path in host") << QStringLiteral("db/x") << QStringLiteral("books")
                                      << badHost.arg(QStringLiteral("db/x")) << true;
        QTest::newRow("no database") << QStringLiteral("localhost") << QString()
                                     << QStringLiteral("请输入数据库名！") << false;
        QTest::newRow("year in database") << QStringLiteral("localhost") << QStringLiteral("books?year=2026")
                                          << badDatabase.arg(QStringLiteral("books?year=2026")) << false;
        QTest::newRow("path in database") << QStringLiteral("localhost") << QStringLiteral("a/b")
                                          << badDatabase.arg(QStringLiteral("a/b")) << false;
        QTest::newRow("Chinese database") << QStringLiteral("localhost") << QStringLiteral("帐套")
                                          << badDatabase.arg(QStringLiteral("帐套")) << false;
    }

    void badNamesAreRefusedWithoutAskingTheServer()
    {
        QFETCH(QString, host);
        QFETCH(QString, database);
        QFETCH(QString, message);
        QFETCH(bool, onHost);
        ScriptedPrompt prompt;
        CServerDlg dialog(prompt);
        showActive(dialog);
        // Port 1: were the server asked, the message would be another one.
        fill(dialog, host, 1, database);
        QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
        QCOMPARE(texts(prompt), QStringList{message});
        QCOMPARE(QApplication::focusWidget(), onHost ? dialog.hostEdit() : dialog.databaseEdit());
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.yearBox()->count(), 0);
        QVERIFY(!dialog.okButton()->isEnabled());
    }

    void anUnreachableServerIsToldAndTheDialogStays()
    {
        ScriptedPrompt prompt;
        CServerDlg dialog(prompt);
        showActive(dialog);
        fill(dialog, QStringLiteral("127.0.0.1"), 1, QStringLiteral("books"));
        QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
        QCOMPARE(prompt.entries().size(), size_t(1));
        const QString message = QString::fromStdString(prompt.last());
        QVERIFY2(message.startsWith(unreachableStart(kUnreachable)), qPrintable(message));
        // The client library's own reason follows.
        QVERIFY2(message.size() > unreachableStart(kUnreachable).size(), qPrintable(message));
        QCOMPARE(prompt.entries().front().caption, std::string("岚屿穗软件"));
        QVERIFY(prompt.entries().front().icon == Icon::Exclamation);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.yearBox()->count(), 0);
        QVERIFY(!dialog.okButton()->isEnabled());
    }

    void theErrorIsAMessageBoxOverTheDialog()
    {
        QtPrompt prompt;
        CServerDlg dialog(prompt);
        showActive(dialog);
        fill(dialog, QStringLiteral("127.0.0.1"), 1, QStringLiteral("books"));
        ModalCloser closer;
        QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("QMessageBox")});
        QCOMPARE(closer.seen().front().title, QStringLiteral("岚屿穗软件"));
        const QString start = displayText(unreachableStart(kUnreachable).toStdString());
        QVERIFY2(closer.seen().front().text.startsWith(start), qPrintable(closer.seen().front().text));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void enterInTheServerFieldsReadsTheYearsInsteadOfConfirming()
    {
        ScriptedPrompt prompt;
        CServerDlg dialog(prompt);
        showActive(dialog);
        fill(dialog, QStringLiteral("127.0.0.1"), 1, QStringLiteral("books"));
        const QList<QWidget*> fields{dialog.hostEdit(), dialog.portBox(), dialog.databaseEdit()};
        for (QWidget* field : fields) {
            prompt.clear();
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
            QCOMPARE(prompt.entries().size(), size_t(1));
            QVERIFY2(QString::fromStdString(prompt.last()).startsWith(unreachableStart(kUnreachable)),
                     qPrintable(field->metaObject()->className()));
            QVERIFY(dialog.isVisible());
        }
        // Escape still abandons.
        QTest::keyClick(dialog.databaseEdit(), Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.chosenLocation().isEmpty());
    }

    void theYearsOfTheDatabaseAreListedWithTheNewestChosen()
    {
        NEED_SERVER();
        ScriptedPrompt prompt;
        CServerDlg dialog(prompt);
        showActive(dialog);
        dialog.hostEdit()->setText(m_host);
        dialog.portBox()->setValue(m_port);
        dialog.databaseEdit()->setFocus();
        QTest::keyClicks(dialog.databaseEdit(), m_books);
        QTest::keyClick(dialog.databaseEdit(), Qt::Key_Return);
        QVERIFY2(prompt.entries().empty(), qPrintable(texts(prompt).join(QLatin1Char('|'))));
        QCOMPARE(items(dialog.yearBox()), (QStringList{"2024", "2025", "2026"}));
        QCOMPARE(dialog.yearBox()->currentText(), QStringLiteral("2026"));
        QVERIFY(dialog.okButton()->isEnabled());
        QCOMPARE(QApplication::focusWidget(), dialog.yearBox());
        QCOMPARE(dialog.currentLocation(), booksYear(2026));
        QVERIFY(dialog.isVisible());

        // The keyboard goes on from the year to 确定.
        QTest::keyClick(dialog.yearBox(), Qt::Key_Up);
        QCOMPARE(dialog.yearBox()->currentText(), QStringLiteral("2025"));
        QTest::keyClick(dialog.yearBox(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog.okButton());
        QTest::keyClick(dialog.okButton(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenLocation(), booksYear(2025));
    }

    void enterOnTheYearConfirmsIt()
    {
        NEED_SERVER();
        ScriptedPrompt prompt;
        CServerDlg dialog(prompt, m_server + QStringLiteral("/") + m_books);
        showActive(dialog);
        QVERIFY(dialog.readYears());
        QTest::keyClick(dialog.yearBox(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenLocation(), booksYear(2026));
    }

    void anotherServerOrDatabaseLetsTheYearsGo()
    {
        NEED_SERVER();
        ScriptedPrompt prompt;
        CServerDlg dialog(prompt, m_server + QStringLiteral("/") + m_books);
        showActive(dialog);
        for (QWidget* field : QList<QWidget*>{dialog.databaseEdit(), dialog.hostEdit(), dialog.portBox()}) {
            QVERIFY(dialog.readYears());
            QCOMPARE(dialog.yearBox()->count(), 3);
            field->setFocus();
            if (field == dialog.portBox()) {
                QTest::keyClick(field, Qt::Key_Up);
            } else {
                QTest::keyClick(field, Qt::Key_End);
                QTest::keyClick(field, Qt::Key_Backspace);
            }
            QCOMPARE(dialog.yearBox()->count(), 0);
            QVERIFY(!dialog.okButton()->isEnabled());
            // Put back as it was.
            dialog.hostEdit()->setText(m_host);
            dialog.portBox()->setValue(m_port);
            dialog.databaseEdit()->setText(m_books);
        }
        QVERIFY(prompt.entries().empty());
    }

    void aMissingOrEmptyDatabaseIsToldAndTheDialogStays_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("message"); // {server}: "postgresql://HOST:PORT", {database}: the name
        QTest::newRow("missing") << QStringLiteral("kszw_gui_nosuch")
                                 << QStringLiteral("无法打开此文件！\r“{server}/{database}”\rdatabase \"{database}\" does not exist");
        QTest::newRow("no year") << QString() << QStringLiteral("数据库“{database}”中没有年度帐务数据！");
    }

    void aMissingOrEmptyDatabaseIsToldAndTheDialogStays()
    {
        NEED_SERVER();
        QFETCH(QString, database);
        QFETCH(QString, message);
        if (database.isEmpty())
            database = m_empty;
        ScriptedPrompt prompt;
        CServerDlg dialog(prompt, m_server + QStringLiteral("/") + m_books);
        showActive(dialog);
        QVERIFY(dialog.readYears());
        dialog.databaseEdit()->setText(database);
        QVERIFY(!dialog.readYears());
        message.replace(QStringLiteral("{server}"), m_server).replace(QStringLiteral("{database}"), database);
        QCOMPARE(texts(prompt), QStringList{message});
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.yearBox()->count(), 0);
        QVERIFY(!dialog.okButton()->isEnabled());
    }

    // ---- the login dialog with a server year ----

    void aServerYearIsTheLoginsChoiceUntilTheChooserMoves()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QString());
        QCOMPARE(dialog.serverButton()->text(), QStringLiteral("连接服务器..."));
        QCOMPARE(dialog.yearLabel()->text(), QStringLiteral("2026"));
        const QString recent = QStringLiteral("postgresql://db.example:6543/books?year=2025");
        dialog.setRecentFiles({recent, QStringLiteral("/srv/books/a/2026.ksk")});
        // A location has no folder for the chooser's history.
        QCOMPARE(dialog.chooser()->history(),
                 (QStringList{QStringLiteral("/srv/books/a"), QFileInfo(m_file).absolutePath()}));
        QString offered;
        const QString chosen = kUnreachable + QStringLiteral("?year=2026");
        dialog.setServerHandler([&](QWidget* parent, const QString& start) {
            offered = start;
            return parent == &dialog ? chosen : QString();
        });
        showActive(dialog);
        QTest::mouseClick(dialog.serverButton(), Qt::LeftButton);
        // The newest server of the recent list is offered to start from.
        QCOMPARE(offered, recent);
        QCOMPARE(dialog.selectedFile(), chosen);
        QCOMPARE(dialog.placeLabel()->text(), QStringLiteral("服务器年度：127.0.0.1:1/books 2026"));
        QVERIFY(dialog.unitLabel()->text().isEmpty());
        QCOMPARE(dialog.operatorBox()->count(), 0);
        // A server that cannot be reached is told as a file that cannot be opened, with the
        // server's reason on the next line.
        const QString failure = dialog.failureLabel()->text();
        QVERIFY2(failure.startsWith(QStringLiteral("无法打开此文件！\n")), qPrintable(failure));
        QVERIFY2(failure.contains(QStringLiteral("port 1")), qPrintable(failure));
        QCOMPARE(QApplication::focusWidget(), dialog.passwordEdit());
        // The chooser's 确定 stays usable for the server year.
        auto* name = dialog.chooser()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QVERIFY2(name->text().isEmpty(), qPrintable(name->text()));
        QVERIFY(openButton(dialog)->isEnabled());
        // Still after the chooser's folder has been read.
        QTest::qWait(300);
        QCOMPARE(dialog.selectedFile(), chosen);
        QVERIFY(openButton(dialog)->isEnabled());
        QTest::mouseClick(openButton(dialog), Qt::LeftButton);
        QCOMPARE(texts(prompt).size(), 1);
        QVERIFY(texts(prompt).first().startsWith(QStringLiteral("无法打开此文件！\r")));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.selectedFile(), chosen);

        // Choosing again starts from the server year chosen now.
        QTest::mouseClick(dialog.serverButton(), Qt::LeftButton);
        QCOMPARE(offered, chosen);

        // Another folder in the chooser: the server year is no longer the choice.
        QTemporaryDir other;
        dialog.chooser()->setDirectory(other.path());
        emit dialog.chooser()->directoryEntered(other.path());
        QVERIFY(dialog.selectedFile() != chosen);
        QVERIFY(dialog.placeLabel()->text().isEmpty());
        QVERIFY(dialog.failureLabel()->text().isEmpty());
        // A file again.
        dialog.selectFile(m_file);
        QCOMPARE(dialog.yearLabel()->text(), QStringLiteral("2026"));
        QCOMPARE(QFileInfo(dialog.selectedFile()).absoluteFilePath(), QFileInfo(m_file).absoluteFilePath());
    }

    void aTypedFileNameTakesOverFromTheServerYear()
    {
        ScriptedPrompt prompt;
        const QString chosen = kUnreachable + QStringLiteral("?year=2026");
        CKszwFileDlg dialog(prompt, m_clock, chosen, QString());
        // A location as the file offered first (the last login was on a server).
        QCOMPARE(dialog.selectedFile(), chosen);
        QCOMPARE(dialog.placeLabel()->text(), QStringLiteral("服务器年度：127.0.0.1:1/books 2026"));
        showActive(dialog);
        QTest::qWait(300);
        QCOMPARE(dialog.selectedFile(), chosen);
        QVERIFY(openButton(dialog)->isEnabled());
        auto* name = dialog.chooser()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QTest::keyClicks(name, m_file);
        QVERIFY(dialog.placeLabel()->text().isEmpty());
        QTRY_COMPARE(dialog.yearLabel()->text(), QStringLiteral("2026"));
        dialog.confirm();
        QVERIFY(prompt.entries().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenFile(), m_file);
    }

    void theServerDialogStartsFromTheRecentServer()
    {
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QString());
        dialog.setRecentFiles({m_file, QStringLiteral("postgresql://db.example:6543/books?year=2025")});
        ModalCloser closer;
        QString host, database;
        int port = 0;
        closer.actOn<CServerDlg>([&](CServerDlg& server) {
            host = server.hostEdit()->text();
            port = server.portBox()->value();
            database = server.databaseEdit()->text();
        });
        QTest::mouseClick(dialog.serverButton(), Qt::LeftButton);
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CServerDlg")});
        QCOMPARE(closer.seen().front().title, QStringLiteral("连接服务器"));
        QCOMPARE(host, QStringLiteral("db.example"));
        QCOMPARE(port, 6543);
        QCOMPARE(database, QStringLiteral("books"));
        // Abandoned: the file stays the choice.
        QCOMPARE(QFileInfo(dialog.selectedFile()).absoluteFilePath(), QFileInfo(m_file).absoluteFilePath());
        QVERIFY(dialog.placeLabel()->text().isEmpty());
    }

    void theLoginGoesOnWithTheServerYearAsWithAFile()
    {
        NEED_SERVER();
        ScriptedPrompt prompt;
        CKszwFileDlg dialog(prompt, m_clock, m_file, QString());
        ModalCloser closer;
        closer.actOn<CServerDlg>([&](CServerDlg& server) {
            server.hostEdit()->setText(m_host);
            server.portBox()->setValue(m_port);
            server.databaseEdit()->setText(m_books);
            if (server.readYears())
                server.accept();
        });
        QTest::mouseClick(dialog.serverButton(), Qt::LeftButton);
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("kszw::CServerDlg")});
        QCOMPARE(dialog.selectedFile(), booksYear(2026));
        QCOMPARE(dialog.placeLabel()->text(),
                 QStringLiteral("服务器年度：%1:%2/%3 2026").arg(m_host).arg(m_port).arg(m_books));
        QCOMPARE(dialog.unitLabel()->text(), QStringLiteral("甲公司"));
        QCOMPARE(dialog.yearLabel()->text(), QStringLiteral("2026"));
        QCOMPARE(items(dialog.operatorBox()), (QStringList{"101  管理员", "102  ×××"}));
        QCOMPARE(dialog.operatorBox()->currentData().toString(), QStringLiteral("102"));
        QVERIFY(dialog.failureLabel()->text().isEmpty());
        dialog.confirm();
        QVERIFY2(prompt.entries().empty(), prompt.last().c_str());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenFile(), booksYear(2026));
        QCOMPARE(dialog.chosenOperator(), QStringLiteral("102"));
    }
};

QTEST_MAIN(ServerDialogTest)
#include "server_dialog_test.moc"
