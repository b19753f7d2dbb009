// The backup and restore dialogs: what to copy and where, the list of backups, and the restore of
// the logged-in year with the login opened again afterwards.
#include "accountset/ui/backup_dialogs.h"

#include "accountset/new_year.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/backup.h"
#include "store/database_error.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <filesystem>
#include <vector>

namespace kszw {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kYearRole = Qt::UserRole + 1;

constexpr std::string_view kNoBackupChosen = "请选择要恢复的备份！";
constexpr std::string_view kNoFolderGiven = "请输入备份文件夹！";

QString chooseFolderWithDialog(QWidget* parent, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("选择备份文件夹"), start,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

QString chooseBackupWithDialog(QWidget* parent, const QString& start)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("选择备份文件"), start,
                                        QStringLiteral("岚屿穗帐务数据备份 (*.bak *.BAK);;所有文件 (*)"), nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A display field: a sunken box holding a text that can be selected.
QLabel* displayField(const QString& text, QWidget* parent)
{
    auto* field = plainLabel(text, parent);
    field->setFrameShape(QFrame::StyledPanel);
    field->setFrameShadow(QFrame::Sunken);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return field;
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// Keeps what is told while the login's connection is closed, to show it once it is open again:
// no message box (and no repaint of a view on the closed connection) runs in between.
class DeferredPrompt : public Prompt {
public:
    void tell(std::string_view text, Icon icon, std::string_view caption) override
    {
        m_told.push_back({std::string(text), icon, std::string(caption)});
    }
    Answer ask(std::string_view, Buttons, Answer defaultButton, Icon, std::string_view) override
    {
        return defaultButton;
    }
    void replay(Prompt& prompt) const
    {
        for (const Told& told : m_told)
            prompt.tell(told.text, told.icon, told.caption);
    }

private:
    struct Told {
        std::string text;
        Icon icon;
        std::string caption;
    };
    std::vector<Told> m_told;
};

} // namespace

CBackupDlg::CBackupDlg(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_env(env), m_clock(clock), m_prompt(prompt), m_chooser(chooseFolderWithDialog)
{
    setWindowTitle(QStringLiteral("备份帐务数据"));

    const QString yearFile = QFileInfo(QString::fromStdString(env.filePath())).fileName();
    auto* what = new QGroupBox(QStringLiteral("备份内容"), this);
    m_openYear = new QRadioButton(
        QStringLiteral("本年度帐务数据（%1 年，%2）").arg(env.year()).arg(yearFile), what);
    m_accountSet = new QRadioButton(QStringLiteral("整个帐套（全部年度的帐务数据文件）"), what);
    m_openYear->setChecked(true);
    auto* whatLayout = new QVBoxLayout(what);
    whatLayout->addWidget(m_openYear);
    whatLayout->addWidget(m_accountSet);

    m_folder = new QLineEdit(QString::fromStdString(defaultBackupFolder(env)), this);
    m_folder->setMinimumWidth(m_folder->fontMetrics().horizontalAdvance(QString(56, QLatin1Char('0'))));
    auto* folderLabel = new QLabel(QStringLiteral("备份到(&D)："), this);
    folderLabel->setBuddy(m_folder);
    m_browse = new QPushButton(QStringLiteral("浏览(&B)..."), this);
    m_browse->setAutoDefault(false);

    const std::string example = backupFileName(env.year(), backupStampNow(clock));
    auto* note = plainLabel(QStringLiteral("备份文件以年度和备份时间命名，如“%1”。").arg(qtText(example)), this);
    note->setWordWrap(true);

    m_ok = new QPushButton(QStringLiteral("&S.确认"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_cancel->setAutoDefault(false);
    connect(m_browse, &QPushButton::clicked, this, &CBackupDlg::chooseFolder);
    connect(m_ok, &QPushButton::clicked, this, &CBackupDlg::backup);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("帐套："), this), 0, 0);
    fields->addWidget(displayField(qtText(env.unitName()), this), 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("帐套文件夹："), this), 1, 0);
    fields->addWidget(displayField(QString::fromStdString(accountSetFolder(env)), this), 1, 1, 1, 2);
    fields->addWidget(what, 2, 0, 1, 3);
    fields->addWidget(folderLabel, 3, 0);
    fields->addWidget(m_folder, 3, 1);
    fields->addWidget(m_browse, 3, 2);
    fields->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(note);
    layout->addLayout(buttons);
    m_ok->setFocus();
}

void CBackupDlg::openBackup(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent)
{
    CBackupDlg dialog(env, clock, prompt, parent);
    dialog.exec();
}

void CBackupDlg::chooseFolder()
{
    QString start = m_folder->text().trimmed();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QString::fromStdString(accountSetFolder(m_env));
    const QString chosen = m_chooser(this, start);
    if (!chosen.isEmpty())
        m_folder->setText(QDir::toNativeSeparators(chosen));
}

void CBackupDlg::backup()
{
    QString folder = m_folder->text().trimmed();
    if (folder.isEmpty()) {
        m_prompt.warn(kNoFolderGiven);
        m_folder->setFocus();
        return;
    }
    // A folder given without its whole path lies in the account set's folder.
    if (QDir::isRelativePath(folder))
        folder = QDir(QString::fromStdString(accountSetFolder(m_env))).filePath(folder);
    folder = QDir::cleanPath(folder);
    const BackupScope scope = m_accountSet->isChecked() ? BackupScope::AccountSet : BackupScope::OpenYear;
    m_result = backupAccountData(m_env, scope, folder.toStdString(), m_clock, m_prompt);
    if (!m_result.files.empty())
        m_prompt.tell(backupDoneMessage(m_result, folder.toStdString()), Icon::Information, kMessageCaption);
    if (m_result.complete)
        accept();
}

CRestoreDlg::CRestoreDlg(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_env(env), m_clock(clock), m_prompt(prompt), m_chooser(chooseBackupWithDialog)
{
    setWindowTitle(QStringLiteral("恢复帐务数据"));

    m_list = new QTreeWidget(this);
    m_list->setColumnCount(4);
    m_list->setHeaderLabels(
        {QStringLiteral("年度"), QStringLiteral("备份时间"), QStringLiteral("说明"), QStringLiteral("备份文件")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAllColumnsShowFocus(true);
    const QFontMetrics metrics = m_list->fontMetrics();
    m_list->setColumnWidth(0, metrics.horizontalAdvance(QStringLiteral("000000")) + 12);
    m_list->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00")) + 16);
    m_list->setColumnWidth(2, metrics.horizontalAdvance(QStringLiteral("恢复前的数据")) + 16);
    m_list->setMinimumWidth(metrics.horizontalAdvance(QString(80, QLatin1Char('0'))));
    m_list->setMinimumHeight(metrics.height() * 12);
    auto* listLabel = new QLabel(QStringLiteral("备份(&L)："), this);
    listLabel->setBuddy(m_list);

    m_target = displayField(QString(), this);
    auto* note = plainLabel(QStringLiteral("恢复前，现有的帐务数据先另存为备份（名称以“-before-restore”结尾），"
                                           "然后被所选备份中的数据取代。"),
                            this);
    note->setWordWrap(true);

    m_chooseFile = new QPushButton(QStringLiteral("选择备份文件(&F)..."), this);
    m_chooseFile->setAutoDefault(false);
    m_ok = new QPushButton(QStringLiteral("&S.确认"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_cancel->setAutoDefault(false);
    connect(m_chooseFile, &QPushButton::clicked, this, &CRestoreDlg::chooseFile);
    connect(m_ok, &QPushButton::clicked, this, &CRestoreDlg::restore);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { showTarget(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { restore(); });

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("帐套："), this), 0, 0);
    fields->addWidget(displayField(qtText(env.unitName()), this), 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("备份文件夹："), this), 1, 0);
    fields->addWidget(displayField(QString::fromStdString(defaultBackupFolder(env)), this), 1, 1);
    fields->setColumnStretch(1, 1);

    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(new QLabel(QStringLiteral("恢复到："), this));
    targetRow->addWidget(m_target, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_chooseFile);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(listLabel);
    layout->addWidget(m_list, 1);
    layout->addLayout(targetRow);
    layout->addWidget(note);
    layout->addLayout(buttons);

    refreshList();
    m_list->setFocus();
}

RestoreDialogOutcome CRestoreDlg::openRestore(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent)
{
    CRestoreDlg dialog(env, clock, prompt, parent);
    dialog.exec();
    return dialog.outcome();
}

void CRestoreDlg::addEntry(const BackupEntry& entry, bool first)
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::number(entry.year));
    item->setText(1, qtText(backupTimeText(entry)));
    item->setText(2, entry.beforeRestore ? QStringLiteral("恢复前的数据") : QStringLiteral("备份"));
    item->setText(3, QString::fromStdString(entry.name));
    item->setToolTip(3, QString::fromStdString(entry.path));
    item->setData(0, kPathRole, QString::fromStdString(entry.path));
    item->setData(0, kYearRole, entry.year);
    if (first)
        m_list->insertTopLevelItem(0, item);
    else
        m_list->addTopLevelItem(item);
}

void CRestoreDlg::refreshList()
{
    m_list->clear();
    for (const BackupEntry& entry : listBackups(defaultBackupFolder(m_env)))
        addEntry(entry, false);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    showTarget();
}

std::string CRestoreDlg::selectedTarget() const
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item)
        return {};
    return yearFileInSet(accountSetFolder(m_env), item->data(0, kYearRole).toInt());
}

void CRestoreDlg::showTarget()
{
    const std::string target = selectedTarget();
    QString text = QString::fromStdString(target);
    if (!target.empty() && sameFile(target, m_env.filePath()))
        text += QStringLiteral("（当前登录的年度）");
    m_target->setText(text);
    m_ok->setEnabled(!target.empty());
}

void CRestoreDlg::chooseFile()
{
    const QString chosen = m_chooser(this, QString::fromStdString(defaultBackupFolder(m_env)));
    if (chosen.isEmpty())
        return;
    const std::string path = chosen.toStdString();
    BackupEntry entry = parseBackupName(std::filesystem::path(path).filename().string()).value_or(BackupEntry{});
    entry.path = path;
    entry.name = std::filesystem::path(path).filename().string();
    entry.year = backupYear(path);
    if (entry.year == 0) {
        m_prompt.warn("“" + path + "”不是岚屿穗帐务数据的备份！");
        return;
    }
    addEntry(entry, true);
    m_list->setCurrentItem(m_list->topLevelItem(0));
}

void CRestoreDlg::restore()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item) {
        m_prompt.warn(kNoBackupChosen);
        return;
    }
    const std::string backup = item->data(0, kPathRole).toString().toStdString();
    const std::string target = selectedTarget();
    const bool loggedInYear = sameFile(target, m_env.filePath());
    RestoreCheck check;
    if (loggedInYear) {
        // The login goes on after the restore: its operator must be in the backup.
        check = [operatorCode = m_env.operatorCode()](CKszwEnv& trial, Prompt& prompt) {
            SilentPrompt silent;
            const std::string path = trial.foundPath();
            if (trial.openFile(path, operatorCode, silent) == kLoginOk
                && trial.operatorCode() == operatorCode)
                return true;
            prompt.warn("备份中没有操作员“" + operatorCode + "”，恢复后不能以此操作员继续工作，本次恢复未进行！");
            return false;
        };
    }
    std::optional<PreparedRestore> prepared = prepareRestore(backup, target, m_prompt, check, loggedInYear);
    if (!prepared)
        return;
    if (m_prompt.ask(restoreQuestion(backup, prepared->year()), Buttons::YesNo, Answer::No, Icon::Question,
                     kMessageCaption)
        != Answer::Yes)
        return;
    if (loggedInYear) {
        restoreLoggedInYear(*prepared);
    } else if (prepared->complete(m_clock, m_prompt).outcome == RestoreOutcome::Restored) {
        m_outcome = RestoreDialogOutcome::OtherYear;
    }
    if (m_outcome != RestoreDialogOutcome::Nothing)
        accept();
    else
        refreshList();
}

void CRestoreDlg::restoreLoggedInYear(PreparedRestore& prepared)
{
    const std::string file = m_env.filePath();
    const std::string operatorCode = m_env.operatorCode();
    DeferredPrompt deferred;
    m_env.close();
    const bool restored = prepared.complete(m_clock, deferred).outcome == RestoreOutcome::Restored;

    // The same file, the same operator: the login opens again on what is now in the file.
    CKszwEnv again;
    bool loggedIn = false;
    try {
        SilentPrompt silent;
        loggedIn = again.openFile(file, operatorCode, silent) == kLoginOk && again.operatorCode() == operatorCode;
        if (loggedIn) {
            // The user's remembered login names this file and operator already.
            MemoryUserSettings unchanged;
            again.completeLogin(unchanged);
        }
    } catch (const DatabaseError&) {
        loggedIn = false;
    }
    if (loggedIn) {
        m_env = std::move(again);
        m_outcome = restored ? RestoreDialogOutcome::LoginRenewed : RestoreDialogOutcome::Nothing;
    } else {
        m_outcome = RestoreDialogOutcome::LoginLost;
    }
    deferred.replay(m_prompt);
    if (!loggedIn)
        m_prompt.warn("不能重新登录“" + file + "”，请重新登录！");
}

} // namespace kszw
