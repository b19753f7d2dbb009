#include "app/ui/screenshot.h"

#include "accountset/ui/account_set_dialog.h"
#include "accountset/ui/backup_dialogs.h"
#include "accountset/ui/carry_forward_dialog.h"
#include "accountset/ui/new_year_dialog.h"
#include "app/command_table.h"
#include "app/ui/child_frame.h"
#include "app/ui/help_dialog.h"
#include "app/ui/kszw_app.h"
#include "app/ui/main_frame.h"
#include "chart/ui/opening_balance_dialog.h"
#include "chart/ui/subject_directory_dialog.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/prompt.h"
#include "common/ui/qt_prompt.h"
#include "formview/ui/spec_edit.h"
#include "ledger/ui/balance_condition_dialog.h"
#include "ledger/ui/period_dialog.h"
#include "ledger/ui/three_column_view.h"
#include "ledger/ui/turnover_condition_dialog.h"
#include "reports/ui/report_condition_dialog.h"
#include "session/kszw_env.h"
#include "session/ui/login_dialog.h"
#include "session/ui/operator_dialog.h"
#include "session/user_settings.h"
#include "voucher/ui/month_close_dialog.h"
#include "voucher/ui/review_select_dialog.h"
#include "voucher/ui/voucher_entry_frame.h"
#include "voucher/ui/voucher_entry_view.h"
#include "voucher/ui/voucher_select_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QRadioButton>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace kszw {

namespace {

constexpr int kTitleBarHeight = 26;
constexpr int kTimeLimitMs = 60000;
constexpr const char* kUsage =
    "用法：kszw --screenshot VIEW OUT.png [--file FILE] [--operator OP] [--password P] [--size WxH] "
    "[--date YYYYMMDD]";

void tellError(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    std::fflush(stderr);
}

// Lets the program run for a while: views that fill themselves after showing, painting.
void settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Sends one key as the keyboard would: a character outside ASCII arrives with its text, as an
// input method delivers it.
void sendKey(QWidget* target, int key, const QString& text = QString(), Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &release);
}

void typeText(QWidget* target, const QString& text)
{
    for (QChar c : text) {
        int key = Qt::Key_unknown;
        if (c.isDigit())
            key = Qt::Key_0 + c.digitValue();
        else if (c == QLatin1Char('-'))
            key = Qt::Key_Minus;
        else if (c == QLatin1Char('.'))
            key = Qt::Key_Period;
        sendKey(target, key, QString(c));
    }
}

struct Options {
    QString view;
    QString out;
    QString file;
    QString operatorCode;
    QString password;
    QSize size{1100, 720};
    std::optional<CivilDate> date;
};

class Shot;

// A modal window the view expects, in order: which one it is, what is filled in before the
// picture, whether the picture is taken of it, and what is done with it then (nothing given: it
// is cancelled).
struct ModalStep {
    std::function<bool(QWidget&)> is;
    std::function<void(QWidget&)> before;
    bool picture = false;
    std::function<void(QWidget&)> act;
};

template <typename Dialog>
ModalStep expect(bool picture, std::function<void(Dialog&)> act = {}, std::function<void(Dialog&)> before = {})
{
    ModalStep step;
    step.is = [](QWidget& widget) { return qobject_cast<Dialog*>(&widget) != nullptr; };
    step.picture = picture;
    if (act)
        step.act = [act](QWidget& widget) { act(*qobject_cast<Dialog*>(&widget)); };
    if (before)
        step.before = [before](QWidget& widget) { before(*qobject_cast<Dialog*>(&widget)); };
    return step;
}

struct ViewScript {
    const char* name;
    const char* operatorCode; // who is logged in unless --operator says otherwise
    std::function<void(Shot&)> run;
    std::vector<ModalStep> modals;
};

// The application with the login answered from the command line.
class ShotApp : public CKszwApp {
public:
    using CKszwApp::CKszwApp;
    std::optional<LoginChoice> choice;
    bool showLoginDialog = false;

protected:
    std::optional<LoginChoice> askLogin(const QString& initialFile) override
    {
        if (showLoginDialog)
            return CKszwApp::askLogin(initialFile);
        return std::exchange(choice, std::nullopt);
    }
};

// One run: the program, the view's script and the picture.
class Shot {
public:
    Shot(const Options& options, const ViewScript& script)
        : m_options(options), m_script(script), m_clock(options.date.value_or(SystemClock().today())),
          m_prompt(nullptr), m_app(m_prompt, m_settings, m_clock)
    {
        m_prompt.setParent(m_app.mainFrame());
    }

    int run();

    ShotApp& app() { return m_app; }
    CMainFrame& frame() { return *m_app.mainFrame(); }
    const Options& options() const { return m_options; }
    void fail(const QString& text) { m_failures << text; }

    // Runs a menu command as the user would choose it; a command the operator may not use fails.
    void command(int id)
    {
        if (!frame().isCommandEnabledNow(id)) {
            const CommandInfo* info = findCommand(id);
            const QString name = info ? qtText(info->text).remove(QLatin1Char('&')) : QString::number(id);
            fail(QStringLiteral("操作员 %1 此时不能使用“%2”。").arg(m_options.operatorCode, name));
            return;
        }
        frame().runCommand(id);
        settle(200);
    }
    // The widget of a type in the active child window.
    template <typename View>
    View* activeView()
    {
        CChildFrame* child = frame().activeChild();
        if (!child)
            return nullptr;
        if (auto* view = qobject_cast<View*>(child->widget()))
            return view;
        return child->widget() ? child->widget()->findChild<View*>() : nullptr;
    }
    // The picture now: the main window, with the dialog in front of it when one is up.
    void takePicture(QWidget* front = nullptr);

private:
    bool login();
    void watchModals();
    void handleModal(QWidget& modal);
    QWidget* frontWindow() const;
    void paintTitleBar(QPainter& painter, const QRect& bar, const QString& title, bool active) const;
    bool writePicture();

    Options m_options;
    const ViewScript& m_script;
    MemoryUserSettings m_settings;
    FixedClock m_clock;
    QtPrompt m_prompt;
    ShotApp m_app;
    QImage m_picture;
    QStringList m_failures;
    size_t m_nextStep = 0;
    QTimer m_watch;
    QWidget* m_seen = nullptr;
    int m_seenTicks = 0;
    bool m_timedOut = false;
};

int Shot::run()
{
    CMainFrame& main = frame();
    main.resize(m_options.size.width(), m_options.size.height() - kTitleBarHeight);
    main.show();
    settle(100);
    if (!login())
        return 1;

    QObject::connect(&m_watch, &QTimer::timeout, &m_watch, [this] { watchModals(); });
    m_watch.start(40);
    QTimer::singleShot(kTimeLimitMs, &m_watch, [this] {
        m_timedOut = true;
        fail(QStringLiteral("画面 %1 未能在 %2 秒内完成。").arg(m_options.view).arg(kTimeLimitMs / 1000));
    });
    QEventLoop loop;
    QTimer::singleShot(0, &m_watch, [this, &loop] {
        settle(200);
        if (m_script.run)
            m_script.run(*this);
        settle(300);
        if (m_picture.isNull() && m_failures.isEmpty())
            takePicture(frontWindow());
        loop.quit();
    });
    loop.exec();
    m_watch.stop();

    if (m_nextStep < m_script.modals.size() && m_failures.isEmpty())
        fail(QStringLiteral("画面 %1 所需的对话框没有出现。").arg(m_options.view));
    if (m_picture.isNull() && m_failures.isEmpty())
        fail(QStringLiteral("画面 %1 没有得到图像。").arg(m_options.view));
    if (!m_failures.isEmpty()) {
        for (const QString& failure : m_failures)
            tellError(failure);
        return 1;
    }
    return writePicture() ? 0 : 1;
}

bool Shot::login()
{
    if (QString::fromLatin1(m_script.name) == QLatin1String("login")) {
        // The picture is the login dialog itself, offered on the file for the operator.
        m_settings.setValue(kOperatorKey, m_options.operatorCode.toStdString());
        m_app.showLoginDialog = true;
        return true;
    }
    // The checks of the login dialog's confirmation, then the program's own login with that choice.
    ScriptedPrompt checks;
    CKszwEnv trial;
    bool confirmed = false;
    try {
        confirmed = confirmLogin(trial, m_options.file.toStdString(), m_options.operatorCode.toStdString(),
                                 m_options.password.toStdString(), checks);
    } catch (const std::exception& error) {
        checks.warn(error.what());
    }
    if (!confirmed) {
        tellError(QStringLiteral("不能以操作员 %1 登录 %2：").arg(m_options.operatorCode, m_options.file));
        for (const std::string& text : checks.texts())
            tellError(QString::fromStdString(text));
        return false;
    }
    const QString path = QString::fromStdString(trial.filePath());
    m_app.choice = LoginChoice{path, m_options.operatorCode};
    bool loggedIn = false;
    try {
        loggedIn = m_app.login(path);
    } catch (const std::exception& error) {
        tellError(QString::fromStdString(error.what()));
    }
    if (!loggedIn)
        tellError(QStringLiteral("不能以操作员 %1 登录 %2。").arg(m_options.operatorCode, path));
    return loggedIn;
}

void Shot::watchModals()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
        m_seen = nullptr;
        return;
    }
    // A new window is given a moment to lay itself out and fill its lists.
    if (modal != m_seen) {
        m_seen = modal;
        m_seenTicks = 0;
        return;
    }
    if (++m_seenTicks < 4)
        return;
    m_seen = nullptr;
    handleModal(*modal);
}

void Shot::handleModal(QWidget& modal)
{
    const bool expected = !m_timedOut && m_failures.isEmpty() && m_nextStep < m_script.modals.size()
                          && m_script.modals[m_nextStep].is(modal);
    auto cancel = [](QWidget& widget) {
        if (auto* dialog = qobject_cast<QDialog*>(&widget))
            dialog->reject();
        else
            widget.close();
    };
    if (!expected) {
        if (!m_timedOut) {
            QString text = QStringLiteral("画面 %1 中出现了意外的窗口“%2”").arg(m_options.view, modal.windowTitle());
            if (auto* box = qobject_cast<QMessageBox*>(&modal))
                text += QStringLiteral("：") + box->text();
            fail(text);
        }
        cancel(modal);
        return;
    }
    const ModalStep& step = m_script.modals[m_nextStep++];
    if (step.before) {
        step.before(modal);
        settle(100);
    }
    if (step.picture)
        takePicture(&modal);
    // What is done with the dialog runs from the event loop: a message it shows is seen here too.
    QPointer<QWidget> target(&modal);
    std::function<void(QWidget&)> act = step.act ? step.act : std::function<void(QWidget&)>(cancel);
    QTimer::singleShot(0, [target, act] {
        if (target)
            act(*target);
    });
}

QWidget* Shot::frontWindow() const
{
    // A window of its own that a command left open (帮助主题) is in front of the main window.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget != m_app.mainFrame() && widget->isVisible() && qobject_cast<QDialog*>(widget))
            return widget;
    }
    return nullptr;
}

void Shot::paintTitleBar(QPainter& painter, const QRect& bar, const QString& title, bool active) const
{
    QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
    gradient.setColorAt(0, active ? QColor(0x4a, 0x7d, 0xbf) : QColor(0xb8, 0xc2, 0xcf));
    gradient.setColorAt(1, active ? QColor(0x2f, 0x5e, 0x9e) : QColor(0x9d, 0xa9, 0xb8));
    painter.fillRect(bar, gradient);
    const int iconSize = bar.height() - 8;
    QApplication::windowIcon().paint(&painter, QRect(bar.left() + 6, bar.top() + 4, iconSize, iconSize));
    QFont font = QApplication::font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QRect closeBox(bar.right() - bar.height() + 4, bar.top() + 4, bar.height() - 8, bar.height() - 8);
    const QRect text(bar.left() + iconSize + 12, bar.top(), closeBox.left() - bar.left() - iconSize - 18, bar.height());
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(title, Qt::ElideRight, text.width()));
    painter.setPen(QPen(Qt::white, 1.6));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawLine(closeBox.topLeft() + QPoint(4, 4), closeBox.bottomRight() - QPoint(4, 4));
    painter.drawLine(closeBox.topRight() + QPoint(-4, 4), closeBox.bottomLeft() + QPoint(4, -4));
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void Shot::takePicture(QWidget* front)
{
    CMainFrame& main = frame();
    QImage canvas(m_options.size, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    paintTitleBar(painter, QRect(0, 0, canvas.width(), kTitleBarHeight), main.windowTitle(), front == nullptr);
    painter.drawPixmap(0, kTitleBarHeight, main.grab());
    if (front) {
        // A dialog larger than the main window is made to fit it.
        const QSize room(canvas.width() - 40, canvas.height() - 2 * kTitleBarHeight - 30);
        if (front->width() > room.width() || front->height() > room.height()) {
            front->resize(front->size().boundedTo(room));
            settle(300); // the window lays itself out again (the guide fits its pictures)
        }
        const QPixmap dialog = front->grab();
        const QSize outer(dialog.width() + 2, dialog.height() + kTitleBarHeight + 2);
        const QPoint at((canvas.width() - outer.width()) / 2,
                        kTitleBarHeight + (canvas.height() - kTitleBarHeight - outer.height()) / 2);
        const QRect box(at, outer);
        // The main window recedes a little; the dialog throws a soft shadow.
        painter.fillRect(QRect(0, 0, canvas.width(), canvas.height()), QColor(0, 0, 0, 28));
        for (int i = 1; i <= 6; ++i)
            painter.fillRect(box.translated(i, i), QColor(0, 0, 0, 14));
        painter.fillRect(box, QColor(0x60, 0x6a, 0x78));
        paintTitleBar(painter, QRect(at + QPoint(1, 1), QSize(dialog.width(), kTitleBarHeight)), front->windowTitle(),
                      true);
        painter.drawPixmap(at + QPoint(1, 1 + kTitleBarHeight), dialog);
    }
    painter.end();
    m_picture = canvas;
}

bool Shot::writePicture()
{
    const QFileInfo out(m_options.out);
    if (!out.absoluteDir().exists()) {
        tellError(QStringLiteral("文件夹不存在：") + out.absolutePath());
        return false;
    }
    // Window pictures have few colours: a palette of 256 keeps the file small and the text sharp.
    const QImage small = m_picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    if (!small.save(m_options.out, "PNG", 9)) {
        tellError(QStringLiteral("无法写入文件：") + m_options.out);
        return false;
    }
    return true;
}

// ---- the views ----

void fillPeriod(CPeriodDlg& dialog, int start, int end)
{
    dialog.startField()->setText(QString::number(start));
    dialog.endField()->setText(QString::number(end));
    dialog.confirm();
}

// 三栏式帐 of 工商银行基本户 for the fourth quarter.
std::vector<ModalStep> threeColumnSteps(bool pictureOfLookup)
{
    return {expect<CSubjectQueryDlg>(pictureOfLookup,
                                     [](CSubjectQueryDlg& lookup) {
                                         lookup.showCode(QStringLiteral("1002-1"));
                                         lookup.choose();
                                     }),
            expect<CPeriodDlg>(false, [](CPeriodDlg& dialog) { fillPeriod(dialog, 10, 12); })};
}

void runThreeColumnLedger(Shot& shot)
{
    shot.command(cmd::kThreeColumnLedger);
    CKszwzb1* ledger = shot.activeView<CKszwzb1>();
    if (!ledger) {
        shot.fail(QStringLiteral("三栏式帐没有打开。"));
        return;
    }
    // 改变查询时间, as the view's menu runs it.
    ledger->runCommand(CKszwzb1::kChangePeriodCommand);
    settle(200);
}

// A statement chosen by its name, for the month the dialog offers (the last closed month, else
// today's).
ModalStep statementStep(const QString& name)
{
    return expect<CReportConditionDlg>(false, [name](CReportConditionDlg& dialog) {
        const int index = dialog.reportCombo()->findText(name);
        if (index >= 0)
            dialog.reportCombo()->setCurrentIndex(index);
        dialog.confirm();
    });
}

// The month of the review or query lists with the most recent vouchers, all of them chosen.
void chooseLastMonth(QComboBox* months, QListWidget* list)
{
    if (months->count() > 0)
        months->setCurrentIndex(months->count() - 1);
    settle(100);
    list->selectAll();
    settle(50);
}

// A voucher typed at the keyboard (not saved): the head, then two lines.
void typeVoucher(Shot& shot)
{
    shot.command(cmd::kVoucherEntry);
    auto* frame = shot.activeView<CKszwpzFrm>();
    CKszwpz* view = frame ? frame->view() : nullptr;
    if (!view) {
        shot.fail(QStringLiteral("凭证制作窗口没有打开。"));
        return;
    }
    view->setFocus();
    settle(100);
    auto key = [view](int k) {
        sendKey(view, k);
        settle(30);
    };
    auto type = [view](const QString& text) {
        typeText(view, text);
        settle(30);
    };
    key(Qt::Key_Return); // the number stays; on to the attachments
    key(Qt::Key_Delete);
    type(QStringLiteral("1"));
    key(Qt::Key_Return); // down into the table
    type(QStringLiteral("提取备用金"));
    key(Qt::Key_Return);
    type(QStringLiteral("1001"));
    key(Qt::Key_Tab);
    type(QStringLiteral("2000"));
    key(Qt::Key_Return);
    key(Qt::Key_Return); // past the credit: a new line
    type(QStringLiteral("提取备用金"));
    key(Qt::Key_Return);
    type(QStringLiteral("1002-1"));
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    type(QStringLiteral("2000"));
    key(Qt::Key_Return); // the credit taken; the caret waits on the next line
    settle(200);
}

const std::vector<ViewScript>& viewScripts()
{
    static const std::vector<ViewScript> scripts = {
        {"login", "102", [](Shot& shot) { shot.app().login(shot.options().file); },
         {expect<CKszwFileDlg>(true)}},
        {"main-window", "102", {}, {}},
        {"new-set", "101", [](Shot& shot) { shot.command(cmd::kNewAccountSet); }, {expect<CAccountSetDlg>(true)}},
        {"operators", "101", [](Shot& shot) { shot.command(cmd::kOperators); }, {expect<COperatorDlg>(true)}},
        {"subject-setup", "102", [](Shot& shot) { shot.command(cmd::kSubjectSetup); },
         {expect<CSubjectDirectoryDlg>(true)}},
        {"opening-balances", "102", [](Shot& shot) { shot.command(cmd::kOpeningBalances); },
         {expect<COpeningBalanceDlg>(true)}},
        {"voucher-entry", "102", typeVoucher, {}},
        {"voucher-review-select", "103", [](Shot& shot) { shot.command(cmd::kVoucherReview); },
         {expect<CReviewSelectDlg>(true, {}, [](CReviewSelectDlg& dialog) {
              chooseLastMonth(dialog.monthCombo(), dialog.entryList());
          })}},
        {"voucher-review", "103", [](Shot& shot) { shot.command(cmd::kVoucherReview); },
         {expect<CReviewSelectDlg>(false, [](CReviewSelectDlg& dialog) {
              dialog.reviewButton()->setChecked(true);
              dialog.displayButton()->setChecked(true);
              chooseLastMonth(dialog.monthCombo(), dialog.entryList());
              dialog.confirm();
          })}},
        {"voucher-query", "102", [](Shot& shot) { shot.command(cmd::kVoucherQuery); },
         {expect<CVoucherSelectDlg>(false, [](CVoucherSelectDlg& dialog) {
              chooseLastMonth(dialog.monthCombo(), dialog.entryList());
              dialog.confirm();
          })}},
        {"three-column-conditions", "102", [](Shot& shot) { shot.command(cmd::kThreeColumnLedger); },
         {expect<CSubjectQueryDlg>(true, {}, [](CSubjectQueryDlg& lookup) { lookup.showCode(QStringLiteral("1002-1")); })}},
        {"three-column-ledger", "102", runThreeColumnLedger, threeColumnSteps(false)},
        {"balance-table", "102", [](Shot& shot) { shot.command(cmd::kBalanceTable); },
         {expect<CBalanceConditionDlg>(false, [](CBalanceConditionDlg& dialog) { dialog.confirm(); })}},
        {"turnover-table", "102", [](Shot& shot) { shot.command(cmd::kTurnoverTable); },
         {expect<CTurnoverConditionDlg>(false, [](CTurnoverConditionDlg& dialog) { dialog.confirm(); })}},
        {"balance-sheet", "102", [](Shot& shot) { shot.command(cmd::kFinancialReport); },
         {statementStep(QStringLiteral("资产负债表"))}},
        {"income-statement", "102", [](Shot& shot) { shot.command(cmd::kFinancialReport); },
         {statementStep(QStringLiteral("利润表"))}},
        {"print-preview", "102",
         [](Shot& shot) {
             runThreeColumnLedger(shot);
             shot.command(cmd::kPrintPreview);
         },
         [] {
             std::vector<ModalStep> steps = threeColumnSteps(false);
             steps.push_back(expect<QPrintPreviewDialog>(true));
             return steps;
         }()},
        {"month-close", "103", [](Shot& shot) { shot.command(cmd::kMonthClose); }, {expect<CMonthCloseDlg>(true)}},
        {"new-year", "101", [](Shot& shot) { shot.command(cmd::kNewYear); }, {expect<CNewYearDlg>(true)}},
        {"carry-forward", "101", [](Shot& shot) { shot.command(cmd::kCarryForward); },
         {expect<CCarryForwardDlg>(true)}},
        {"backup", "101", [](Shot& shot) { shot.command(cmd::kBackup); }, {expect<CBackupDlg>(true)}},
        {"help", "102", [](Shot& shot) { shot.command(cmd::kHelpTopics); }, {}},
    };
    return scripts;
}

// Reads the arguments; the error text is set on bad usage.
std::optional<Options> readOptions(const QStringList& arguments, QString& error)
{
    Options options;
    QStringList words;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QLatin1String("--"))) {
            words << argument;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            error = QStringLiteral("选项 %1 缺少值。").arg(argument);
            return std::nullopt;
        }
        const QString value = arguments[++i];
        if (argument == QLatin1String("--file")) {
            options.file = value;
        } else if (argument == QLatin1String("--operator")) {
            options.operatorCode = value;
        } else if (argument == QLatin1String("--password")) {
            options.password = value;
        } else if (argument == QLatin1String("--size")) {
            const QStringList parts = value.split(QLatin1Char('x'));
            bool wide = false;
            bool high = false;
            const int width = parts.size() == 2 ? parts[0].toInt(&wide) : 0;
            const int height = parts.size() == 2 ? parts[1].toInt(&high) : 0;
            if (!wide || !high || width < 400 || height < 300 || width > 4000 || height > 3000) {
                error = QStringLiteral("尺寸应为 宽x高，例如 1100x720（宽 400–4000，高 300–3000）：") + value;
                return std::nullopt;
            }
            options.size = QSize(width, height);
        } else if (argument == QLatin1String("--date")) {
            const std::optional<CivilDate> date = splitDate(value.toStdString());
            if (value.size() != 8 || !date) {
                error = QStringLiteral("日期应为 YYYYMMDD：") + value;
                return std::nullopt;
            }
            options.date = date;
        } else {
            error = QStringLiteral("未知的选项：") + argument;
            return std::nullopt;
        }
    }
    if (words.size() != 2) {
        error = QStringLiteral("需要画面名和输出的 PNG 文件。");
        return std::nullopt;
    }
    options.view = words[0];
    options.out = words[1];
    return options;
}

} // namespace

QStringList screenshotViews()
{
    QStringList names;
    for (const ViewScript& script : viewScripts())
        names << QString::fromLatin1(script.name);
    return names;
}

int runScreenshot(const QStringList& arguments)
{
    QString error;
    std::optional<Options> options = readOptions(arguments, error);
    if (!options) {
        tellError(error);
        tellError(QString::fromUtf8(kUsage));
        tellError(QStringLiteral("画面：") + screenshotViews().join(QLatin1Char(' ')));
        return 2;
    }
    const ViewScript* script = nullptr;
    for (const ViewScript& candidate : viewScripts()) {
        if (options->view == QLatin1String(candidate.name))
            script = &candidate;
    }
    if (!script) {
        tellError(QStringLiteral("未知的画面：%1。可用的画面：%2")
                      .arg(options->view, screenshotViews().join(QLatin1Char(' '))));
        return 1;
    }
    if (options->file.isEmpty()) {
        tellError(QStringLiteral("需要 --file 指定年度数据文件。"));
        return 2;
    }
    if (!options->out.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        tellError(QStringLiteral("输出文件应以 .png 结尾：") + options->out);
        return 2;
    }
    if (options->operatorCode.isEmpty())
        options->operatorCode = QString::fromLatin1(script->operatorCode);
    Shot shot(*options, *script);
    return shot.run();
}

} // namespace kszw
