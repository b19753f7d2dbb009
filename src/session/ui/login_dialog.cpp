#include "session/ui/login_dialog.h"

#include "common/clock.h"
#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "session/ui/server_dialog.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "store/location.h"
#include "store/year_file_name.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace kszw {

QString yearFileFilter()
{
    // The year data files carry the extension in small letters on disk; both spellings are shown.
    return qtText(kYearFileTypeName) + QStringLiteral("(*.KSK *.ksk)");
}

QString YearFileListModel::sizeText(qint64 bytes)
{
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    if (bytes < 1024)
        return chinese.toString(bytes) + QStringLiteral(" 字节");
    if (bytes < 1024 * 1024)
        return chinese.toString(bytes / 1024.0, 'f', 1) + QStringLiteral(" KB");
    return chinese.toString(bytes / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

YearFileListModel::YearFileListModel(QObject* parent) : QIdentityProxyModel(parent) {}

QVariant YearFileListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QIdentityProxyModel::data(index, role);
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (!files)
        return QIdentityProxyModel::data(index, role);
    // The file of the row is named by its first column.
    const QModelIndex source = mapToSource(index).siblingAtColumn(0);
    switch (index.column()) {
    case kTypeColumn:
        if (files->isDir(source))
            return QStringLiteral("文件夹");
        if (QFileInfo(files->fileName(source)).suffix().compare(QStringLiteral("ksk"), Qt::CaseInsensitive) == 0)
            return qtText(kYearFileTypeName);
        break;
    case kSizeColumn:
        if (!files->isDir(source))
            return sizeText(files->size(source));
        break;
    case kDateColumn:
        return QLocale(QLocale::Chinese, QLocale::China).toString(files->lastModified(source), QLocale::ShortFormat);
    default:
        break;
    }
    return QIdentityProxyModel::data(index, role);
}

EmbeddedFileChooser::EmbeddedFileChooser(QWidget* parent) : QFileDialog(parent)
{
    setWindowFlags(Qt::Widget);
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setNameFilter(yearFileFilter());
    setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围："));
    setLabelText(QFileDialog::FileName, QStringLiteral("文件名："));
    setLabelText(QFileDialog::FileType, QStringLiteral("文件类型："));
    setLabelText(QFileDialog::Accept, QStringLiteral("确定"));
    setLabelText(QFileDialog::Reject, QStringLiteral("放弃"));
    setSizeGripEnabled(false);
    setViewMode(QFileDialog::Detail);
    setProxyModel(new YearFileListModel(this));
    // The size, type and date columns are wide enough for their whole texts.
    if (auto* list = findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const QFontMetrics metrics(list->font());
        list->header()->resizeSection(YearFileListModel::kSizeColumn,
                                      metrics.horizontalAdvance(QStringLiteral("1,024.00 KiB")) + 24);
        list->header()->resizeSection(YearFileListModel::kTypeColumn,
                                      metrics.horizontalAdvance(qtText(kYearFileTypeName)) + 24);
        list->header()->resizeSection(YearFileListModel::kDateColumn,
                                      metrics.horizontalAdvance(QStringLiteral("2026/12/31 23:59")) + 24);
    }
}

void EmbeddedFileChooser::setPlaceElsewhere(bool elsewhere)
{
    m_placeElsewhere = elsewhere;
    updateAcceptButton();
}

void EmbeddedFileChooser::updateAcceptButton()
{
    // Without a file named the chooser disables its 确定; a place elsewhere can still be confirmed.
    if (!m_placeElsewhere)
        return;
    if (auto* box = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
        if (QPushButton* button = box->button(QDialogButtonBox::Open))
            button->setEnabled(true);
}

void EmbeddedFileChooser::accept()
{
    if (m_placeElsewhere) {
        emit confirmRequested();
        return;
    }
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && QFileInfo(files.first()).isDir()) {
        setDirectory(files.first());
        return;
    }
    emit confirmRequested();
}

void EmbeddedFileChooser::reject()
{
    emit abandonRequested();
}

CKszwFileDlg::CKszwFileDlg(Prompt& prompt, const Clock& clock, const QString& initialFile,
                           const QString& currentOperator, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_preferredOperator(currentOperator), m_chooser(new EmbeddedFileChooser(this))
{
    setWindowTitle(QStringLiteral("操作环境注册"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_chooser);

    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    m_unit = new QLabel(panel);
    m_operators = new QComboBox(panel);
    m_operators->setEditable(false);
    m_password = new QLineEdit(panel);
    m_password->setEchoMode(QLineEdit::Password);
    CivilDate today = clock.today();
    m_date = new QLabel(QString::fromStdString(format("%d 年 %d 月 %d 日", today.year, today.month, today.day)),
                        panel);
    m_year = new QLabel(panel);
    m_failure = new QLabel(panel);
    m_failure->setWordWrap(true);
    QPalette failurePalette = m_failure->palette();
    failurePalette.setColor(QPalette::WindowText, QColor(0xc0, 0, 0));
    m_failure->setPalette(failurePalette);
    // Room for two lines of the message is kept, so the panel does not jump when one appears.
    m_failure->setMinimumHeight(m_failure->fontMetrics().lineSpacing() * 2);
    m_failure->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A year on a database server instead of a file: the button under the chooser's own, and
    // which server year is chosen.
    m_place = new QLabel(panel);
    m_place->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_server = new QPushButton(QStringLiteral("连接服务器..."), panel);
    m_server->setAutoDefault(false);
    m_serverHandler = [this](QWidget* parent, const QString& location) {
        CServerDlg dialog(m_prompt, location, parent);
        return dialog.exec() == QDialog::Accepted ? dialog.chosenLocation() : QString();
    };
    connect(m_server, &QPushButton::clicked, this, [this] {
        if (!m_serverHandler)
            return;
        const QString location = m_serverHandler(this, m_serverLocation.isEmpty() ? m_recentServer : m_serverLocation);
        if (!location.isEmpty()) {
            selectFile(location);
            m_password->setFocus();
        }
    });
    m_search = new QPushButton(QStringLiteral("搜索"), panel);
    // Finding account sets belongs to the account-set dialog; the program hands it in.
    m_search->setEnabled(false);
    connect(m_search, &QPushButton::clicked, this, [this] {
        if (!m_searchHandler)
            return;
        const QString file = m_searchHandler(this);
        if (!file.isEmpty())
            selectFile(file);
    });
    grid->addWidget(m_place, 0, 0, 1, 4);
    grid->addWidget(m_server, 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("单位名："), panel), 1, 0);
    grid->addWidget(m_unit, 1, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("操作员："), panel), 2, 0);
    grid->addWidget(m_operators, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("操作员口令："), panel), 2, 2);
    grid->addWidget(m_password, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("时  间："), panel), 3, 0);
    grid->addWidget(m_date, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("年度："), panel), 3, 2);
    grid->addWidget(m_year, 3, 3);
    grid->addWidget(m_search, 1, 4);
    grid->addWidget(m_failure, 4, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    layout->addWidget(panel);

    connect(m_chooser, &QFileDialog::currentChanged, this, [this](const QString& path) {
        // The chooser letting its current file go (another folder shown) is no choice of the
        // user's: a server year stays chosen then.
        if (path.isEmpty() && !m_serverLocation.isEmpty())
            return;
        leaveServerLocation();
        refreshPanel(path);
    });
    // Another folder: no file of it is chosen yet.
    connect(m_chooser, &QFileDialog::directoryEntered, this, [this] {
        leaveServerLocation();
        refreshPanel(QString());
    });
    // A file name typed into the chooser is tried as soon as it names a file.
    if (auto* name = m_chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        auto* typing = new QTimer(this);
        typing->setSingleShot(true);
        typing->setInterval(300);
        connect(name, &QLineEdit::textEdited, typing, qOverload<>(&QTimer::start));
        // A name typed is a file again, not the server year.
        connect(name, &QLineEdit::textEdited, this, [this] {
            if (!m_serverLocation.isEmpty()) {
                leaveServerLocation();
                refreshPanel(QString());
            }
        });
        connect(typing, &QTimer::timeout, this, [this] {
            const QString file = selectedFile();
            if (placeKey(file) != m_panelFile && QFileInfo(file).isFile())
                refreshPanel(file);
        });
    }
    connect(m_chooser, &EmbeddedFileChooser::confirmRequested, this, &CKszwFileDlg::confirm);
    connect(m_chooser, &EmbeddedFileChooser::abandonRequested, this, &QDialog::reject);

    resize(720, 560);
    if (!initialFile.isEmpty())
        selectFile(initialFile);
    m_password->setFocus();
}

void CKszwFileDlg::setSearchHandler(std::function<QString(QWidget*)> handler)
{
    m_searchHandler = std::move(handler);
    m_search->setEnabled(static_cast<bool>(m_searchHandler));
}

void CKszwFileDlg::setServerHandler(std::function<QString(QWidget*, const QString&)> handler)
{
    m_serverHandler = std::move(handler);
}

void CKszwFileDlg::setRecentFiles(const QStringList& files)
{
    QStringList folders;
    m_recentServer.clear();
    for (const QString& file : files) {
        // A server location is no path: it has no folder for the chooser.
        if (isServerLocation(file.toStdString())) {
            if (m_recentServer.isEmpty())
                m_recentServer = file;
            continue;
        }
        const QString folder = QFileInfo(file).absolutePath();
        if (!folders.contains(folder))
            folders << folder;
    }
    m_chooser->setHistory(folders);
}

void CKszwFileDlg::selectFile(const QString& path)
{
    if (isServerLocation(path.toStdString())) {
        chooseServerLocation(path.trimmed());
        return;
    }
    leaveServerLocation();
    QFileInfo info(path);
    if (info.dir().exists())
        m_chooser->setDirectory(info.absolutePath());
    m_chooser->selectFile(info.fileName());
    refreshPanel(info.absoluteFilePath());
}

void CKszwFileDlg::chooseServerLocation(const QString& location)
{
    m_serverLocation = location;
    m_place->setText(QStringLiteral("服务器年度：") + QString::fromStdString(displayNameOfPlace(location.toStdString())));
    // The chooser shows no file as chosen: the selection of its list and the name go.
    for (const QString& list : {QStringLiteral("listView"), QStringLiteral("treeView")})
        if (auto* view = m_chooser->findChild<QAbstractItemView*>(list); view && view->selectionModel())
            view->selectionModel()->clearSelection();
    if (auto* name = m_chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->clear();
    m_chooser->setPlaceElsewhere(true);
    refreshPanel(location);
}

void CKszwFileDlg::leaveServerLocation()
{
    if (m_serverLocation.isEmpty())
        return;
    m_serverLocation.clear();
    m_place->clear();
    m_chooser->setPlaceElsewhere(false);
}

QString CKszwFileDlg::placeKey(const QString& path)
{
    if (path.isEmpty())
        return QString();
    return isServerLocation(path.toStdString()) ? path.trimmed() : QFileInfo(path).absoluteFilePath();
}

QString CKszwFileDlg::selectedFile() const
{
    if (!m_serverLocation.isEmpty())
        return m_serverLocation;
    const QStringList files = m_chooser->selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

int CKszwFileDlg::tryFile(const QString& path)
{
    m_failureText.clear();
    SilentPrompt silent;
    int code = kCannotOpen;
    try {
        code = m_trial.openFile(path.toStdString(), "", silent);
        if (code != kLoginOk)
            m_failureText = m_trial.failureMessage(code);
    } catch (const DatabaseError& error) {
        m_failureText = userMessage(error, path.toStdString());
    }
    return code;
}

void CKszwFileDlg::refreshPanel(const QString& path)
{
    m_panelFile = placeKey(path);
    m_unit->clear();
    m_year->clear();
    m_operators->clear();
    const bool opened = tryFile(path) == kLoginOk;
    // No file chosen yet (a folder or nothing selected) is not a failure worth showing.
    const bool folder = !isServerLocation(path.toStdString()) && QFileInfo(path).isDir();
    m_failure->setText(path.isEmpty() || folder ? QString() : displayText(m_failureText));
    if (!opened)
        return;
    try {
        fillPanel();
    } catch (const DatabaseError& error) {
        // The file became unreadable between the trial and the listing.
        m_operators->clear();
        m_failureText = userMessage(error, path.toStdString());
        m_failure->setText(displayText(m_failureText));
    }
}

void CKszwFileDlg::fillPanel()
{
    m_unit->setText(QString::fromStdString(m_trial.unitName()));
    m_year->setText(QString::number(m_trial.year()));
    const QString defaultOperator = QString::fromStdString(m_trial.operatorCode());
    int preselect = -1;
    int fallback = -1;
    for (const OperatorEntry& op : m_trial.operators()) {
        const QString code = QString::fromStdString(op.code);
        m_operators->addItem(QString::fromStdString(format("%3s  %s", op.code.c_str(), op.name.c_str())), code);
        if (code == m_preferredOperator)
            preselect = m_operators->count() - 1;
        if (code == defaultOperator)
            fallback = m_operators->count() - 1;
    }
    m_operators->setCurrentIndex(preselect >= 0 ? preselect : fallback);
}

void CKszwFileDlg::confirm()
{
    const QString file = selectedFile();
    // A file typed rather than chosen from the list: the panel shows it first, so the operator
    // is one of its own.
    if (placeKey(file) != m_panelFile)
        refreshPanel(file);
    // A file that does not open says why; "no operator chosen" is only right for a file that opened.
    if (tryFile(file) != kLoginOk) {
        m_failure->setText(displayText(m_failureText));
        m_prompt.warn(m_failureText);
        return;
    }
    const QString op = m_operators->currentIndex() >= 0 ? m_operators->currentData().toString() : QString();
    const std::string password = m_password->text().toStdString();
    try {
        if (!confirmLogin(m_trial, file.toStdString(), op.toStdString(), password, m_prompt)) {
            if (m_trial.isLoggedIn() && QString::fromStdString(m_trial.operatorCode()) == op) {
                // The password did not match: the operator types it again.
                m_password->setFocus();
                m_password->selectAll();
            }
            return;
        }
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, file.toStdString()));
        return;
    }
    m_chosenFile = QString::fromStdString(m_trial.filePath());
    m_chosenOperator = op;
    accept();
}

void CKszwFileDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter confirms from anywhere in the panel, as 确定 does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        confirm();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kszw
