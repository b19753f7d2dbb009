// `kszw --screenshot`: pictures of the size asked for, with something in them; clear refusals of
// unknown views, bad usage and failed logins; the year file and the user's settings untouched.
#include "app/ui/screenshot.h"
#include "store/database.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace kszw;

namespace {

struct Run {
    int status = -1;
    QString errors;
};

QByteArray fileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// The number of colours a picture has (a blank one has one or two).
int colourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    }
    return int(colours.size());
}

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;
    QString m_home;

    // The program, next to kszw-cli in the build folder, with a home of its own.
    Run kszw(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home + QStringLiteral("/.config"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM")); // the program chooses offscreen itself
        process.setProcessEnvironment(environment);
        const QString program = QFileInfo(QStringLiteral(KSZW_CLI_PATH)).absolutePath() + QStringLiteral("/kszw");
        process.start(program, QStringList{QStringLiteral("--screenshot")} + arguments);
        if (!process.waitForFinished(120000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardError())};
    }

    long long voucherCount()
    {
        Database db = Database::open(m_file.toStdString());
        return db.queryLong("SELECT count(*) FROM CERDIR");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_home = m_dir.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(m_home));
        QProcess cli;
        cli.start(QStringLiteral(KSZW_CLI_PATH),
                  {QStringLiteral("demo"), m_dir.filePath(QStringLiteral("set")), QStringLiteral("--year"),
                   QStringLiteral("2026"), QStringLiteral("--date"), QStringLiteral("20261215")});
        QVERIFY(cli.waitForFinished(120000));
        QCOMPARE(cli.exitCode(), 0);
        m_file = m_dir.filePath(QStringLiteral("set/2026.ksk"));
        QVERIFY(QFileInfo::exists(m_file));
    }

    void theGuideViewsAreKnown()
    {
        const QStringList views = screenshotViews();
        for (const char* name : {"login", "main-window", "new-set", "operators", "subject-setup", "opening-balances",
                                 "voucher-entry", "voucher-review", "voucher-query", "three-column-ledger",
                                 "three-column-conditions", "balance-table", "turnover-table", "print-preview",
                                 "month-close", "new-year", "carry-forward", "backup", "help"})
            QVERIFY2(views.contains(QLatin1String(name)), name);
        QCOMPARE(QSet<QString>(views.begin(), views.end()).size(), views.size());
    }

    void aViewIsDrawnAtTheSizeAskedForAndNothingIsWritten_data()
    {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("login") << QStringLiteral("login") << QString() << QSize(1100, 720);
        QTest::newRow("three-column-ledger") << QStringLiteral("three-column-ledger") << QStringLiteral("1000x700")
                                             << QSize(1000, 700);
        QTest::newRow("balance-table") << QStringLiteral("balance-table") << QStringLiteral("900x640")
                                       << QSize(900, 640);
        QTest::newRow("voucher-entry") << QStringLiteral("voucher-entry") << QString() << QSize(1100, 720);
    }

    void aViewIsDrawnAtTheSizeAskedForAndNothingIsWritten()
    {
        QFETCH(QString, view);
        QFETCH(QString, size);
        QFETCH(QSize, expected);
        const long long vouchers = voucherCount();
        const QByteArray before = fileHash(m_file);
        const QString out = m_dir.filePath(view + QStringLiteral(".png"));
        QStringList arguments{view, out, QStringLiteral("--file"), m_file, QStringLiteral("--date"),
                              QStringLiteral("20261215")};
        if (!size.isEmpty())
            arguments << QStringLiteral("--size") << size;
        const Run run = kszw(arguments);
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        const QImage picture(out);
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), expected);
        QVERIFY2(colourCount(picture) >= 8, qPrintable(QString::number(colourCount(picture))));
        QCOMPARE(voucherCount(), vouchers);
        QCOMPARE(fileHash(m_file), before);
    }

    void thePicturesOfDifferentViewsDiffer()
    {
        const QString main = m_dir.filePath(QStringLiteral("main.png"));
        const QString ledger = m_dir.filePath(QStringLiteral("ledger.png"));
        QCOMPARE(kszw({QStringLiteral("main-window"), main, QStringLiteral("--file"), m_file}).status, 0);
        QCOMPARE(kszw({QStringLiteral("balance-table"), ledger, QStringLiteral("--file"), m_file}).status, 0);
        QVERIFY(QImage(main) != QImage(ledger));
    }

    void refusalsAreToldWithTheirStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString out = m_dir.filePath(QStringLiteral("refused.png"));
        QTest::newRow("unknown view") << QStringList{QStringLiteral("no-such-view"), out, QStringLiteral("--file"), m_file}
                                      << 1 << QStringLiteral("未知的画面：no-such-view。");
        QTest::newRow("unknown operator")
            << QStringList{QStringLiteral("main-window"), out, QStringLiteral("--file"), m_file,
                           QStringLiteral("--operator"), QStringLiteral("999")}
            << 1 << QStringLiteral("不能以操作员 999 登录");
        QTest::newRow("command without the right")
            << QStringList{QStringLiteral("operators"), out, QStringLiteral("--file"), m_file,
                           QStringLiteral("--operator"), QStringLiteral("102")}
            << 1 << QStringLiteral("操作员 102 此时不能使用“操作人员管理”。");
        QTest::newRow("missing file")
            << QStringList{QStringLiteral("main-window"), out, QStringLiteral("--file"),
                           m_dir.filePath(QStringLiteral("none/2026.ksk"))}
            << 1 << QStringLiteral("不能以操作员 102 登录");
        QTest::newRow("no picture file") << QStringList{QStringLiteral("login")} << 2
                                         << QStringLiteral("需要画面名和输出的 PNG 文件。");
        QTest::newRow("bad size") << QStringList{QStringLiteral("login"), out, QStringLiteral("--file"), m_file,
                                                 QStringLiteral("--size"), QStringLiteral("big")}
                                  << 2 << QStringLiteral("尺寸应为 宽x高");
        QTest::newRow("bad date") << QStringList{QStringLiteral("login"), out, QStringLiteral("--file"), m_file,
                                                 QStringLiteral("--date"), QStringLiteral("20261345")}
                                  << 2 << QStringLiteral("日期应为 YYYYMMDD：20261345");
        QTest::newRow("no file") << QStringList{QStringLiteral("login"), out} << 2
                                 << QStringLiteral("需要 --file 指定年度数据文件。");
    }

    void refusalsAreToldWithTheirStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        const Run run = kszw(arguments);
        QCOMPARE(run.status, status);
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("refused.png"))));
    }

    void anUnknownViewNamesTheKnownOnes()
    {
        const Run run = kszw({QStringLiteral("nothing"), m_dir.filePath(QStringLiteral("x.png")), QStringLiteral("--file"), m_file});
        QCOMPARE(run.status, 1);
        for (const QString& view : screenshotViews())
            QVERIFY2(run.errors.contains(view), qPrintable(view));
    }

    void theUsersSettingsAreNeverWritten()
    {
        // Every run above had this home: no settings file of the program appeared in it (the
        // toolkit's file chooser of the login dialog keeps its own QtProject.conf).
        QStringList found;
        QDirIterator files(m_home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = QDir(m_home).relativeFilePath(files.next());
            if (path.contains(QLatin1String("KsFiles")) || path.contains(QLatin1String("Kszw"), Qt::CaseInsensitive))
                found << path;
        }
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char(' '))));
    }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
