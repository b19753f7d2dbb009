#include "accountset/ui/account_set_dialog.h"

#include "accountset/account_set_search.h"
#include "accountset/account_sets.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kszw {

namespace {

// How often a running search lets the dialog paint and take keys.
constexpr int kSearchRefreshMs = 50;

QString folderShown(const std::string& folder)
{
    return QString::fromStdString(folder);
}

} // namespace

CAccountSetDlg::CAccountSetDlg(UserSettings& settings, Prompt& prompt, const Clock& clock, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_prompt(prompt), m_clock(clock), m_searchRoots(defaultSearchRoots())
{
    setWindowTitle(QStringLiteral("建立新帐套"));

    m_folder = new QLineEdit(this);
    auto* folderLabel = new QLabel(QStringLiteral("&N.帐套文件夹"), this);
    folderLabel->setBuddy(m_folder);
    m_browse = new QPushButton(QStringLiteral("&B.浏览..."), this);
    m_browse->setAutoDefault(false);

    m_folders = new QListWidget(this);
    m_years = new QListWidget(this);
    m_folders->installEventFilter(this);
    m_years->installEventFilter(this);
    auto* foldersLabel = new QLabel(QStringLiteral("&L.帐套文件夹列表"), this);
    foldersLabel->setBuddy(m_folders);
    auto* yearsLabel = new QLabel(QStringLiteral("&Y.年度数据文件"), this);
    yearsLabel->setBuddy(m_years);

    m_create = new QPushButton(QStringLiteral("&C.建立"), this);
    m_search = new QPushButton(QStringLiteral("&F.搜索"), this);
    m_open = new QPushButton(QStringLiteral("&O.打开"), this);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_create->setDefault(true);
    m_open->setEnabled(false);

    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setMinimumWidth(200);
    m_status->setMinimumHeight(m_status->fontMetrics().lineSpacing());

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folderLabel);
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_browse);

    auto* lists = new QGridLayout;
    lists->addWidget(foldersLabel, 0, 0);
    lists->addWidget(yearsLabel, 0, 1);
    lists->addWidget(m_folders, 1, 0);
    lists->addWidget(m_years, 1, 1);
    lists->setColumnStretch(0, 3);
    lists->setColumnStretch(1, 1);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {m_create, m_search, m_open, m_cancel})
        buttons->addWidget(button);
    buttons->addStretch();

    auto* body = new QHBoxLayout;
    body->addLayout(lists, 1);
    body->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folderRow);
    layout->addLayout(body, 1);
    layout->addWidget(m_status);

    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("帐套文件夹"), m_folder->text());
        if (!folder.isEmpty())
            m_folder->setText(folder);
        m_folder->setFocus();
    });
    connect(m_create, &QPushButton::clicked, this, &CAccountSetDlg::createAccountSet);
    connect(m_search, &QPushButton::clicked, this, &CAccountSetDlg::search);
    connect(m_open, &QPushButton::clicked, this, &CAccountSetDlg::openSelected);
    connect(m_cancel, &QPushButton::clicked, this, &CAccountSetDlg::reject);
    connect(m_folders, &QListWidget::currentRowChanged, this, [this] { showYears(); });
    connect(m_years, &QListWidget::currentRowChanged, this,
            [this](int row) { m_open->setEnabled(row >= 0 && !m_searching); });
    connect(m_years, &QListWidget::itemDoubleClicked, this, [this] { openSelected(); });

    refreshFolders();
    resize(640, 380);
    m_folder->setFocus();
}

void CAccountSetDlg::refreshFolders(const QString& select)
{
    const QSignalBlocker blocker(m_folders);
    m_folders->clear();
    for (const std::string& folder : knownAccountSets(m_settings))
        if (QFileInfo(folderShown(folder)).isDir())
            m_folders->addItem(folderShown(folder));
    int row = m_folders->count() > 0 ? 0 : -1;
    if (!select.isEmpty()) {
        const QList<QListWidgetItem*> matches = m_folders->findItems(select, Qt::MatchExactly);
        if (!matches.isEmpty())
            row = m_folders->row(matches.first());
    }
    m_folders->setCurrentRow(row);
    showYears();
}

void CAccountSetDlg::showYears()
{
    m_years->clear();
    const QListWidgetItem* folder = m_folders->currentItem();
    if (folder) {
        for (const YearFileEntry& file : yearFilesOf(folder->text().toStdString())) {
            // Listed by year.
            auto* item = new QListWidgetItem(QString::number(file.year), m_years);
            item->setData(Qt::UserRole, QString::fromStdString(file.path));
        }
    }
    m_years->setCurrentRow(m_years->count() > 0 ? m_years->count() - 1 : -1);
    m_open->setEnabled(m_years->currentRow() >= 0 && !m_searching);
}

void CAccountSetDlg::createAccountSet()
{
    const AccountSetResult result = kszw::createAccountSet(m_folder->text().toStdString(), m_clock, m_settings);
    m_prompt.warn(result.message);
    if (!result.ok) {
        m_folder->setFocus();
        m_folder->selectAll();
        return;
    }
    m_chosenFile = QString::fromStdString(result.filePath);
    accept();
}

void CAccountSetDlg::setBusy(bool busy)
{
    for (QWidget* widget : std::initializer_list<QWidget*>{m_folder, m_browse, m_folders, m_years, m_create,
                                                           m_search, m_cancel})
        widget->setEnabled(!busy);
    m_open->setEnabled(!busy && m_years->currentRow() >= 0);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void CAccountSetDlg::search()
{
    if (m_searching)
        return;
    m_searching = true;
    m_stopRequested = false;
    setBusy(true);
    // The busy state ends however the search ends, an error included.
    struct BusyEnd {
        CAccountSetDlg& dialog;
        ~BusyEnd()
        {
            dialog.m_searching = false;
            dialog.setBusy(false);
        }
    } busyEnd{*this};
    m_status->setText(QStringLiteral("正在搜索……（按 Esc 停止）"));
    // The first folder already lets the dialog paint its busy state.
    QElapsedTimer sinceRefresh;
    const std::vector<std::string> found =
        searchAccountSets(m_settings, m_searchRoots, [this, &sinceRefresh](const std::string& folder) {
            if (!sinceRefresh.isValid() || sinceRefresh.elapsed() >= kSearchRefreshMs) {
                m_status->setText(QStringLiteral("正在搜索（按 Esc 停止）：") + QString::fromStdString(folder));
                QApplication::processEvents();
                sinceRefresh.start();
            }
            return !m_stopRequested;
        });
    if (m_stopRequested)
        m_status->setText(QStringLiteral("搜索已停止，找到 %1 个帐套。").arg(found.size()));
    else if (found.empty())
        m_status->setText(QStringLiteral("没有找到帐套。"));
    else
        m_status->setText(QStringLiteral("搜索完毕，找到 %1 个帐套。").arg(found.size()));
    refreshFolders(found.empty() ? QString() : folderShown(found.front()));
    m_search->setFocus();
}

void CAccountSetDlg::openSelected()
{
    const QListWidgetItem* year = m_years->currentItem();
    if (!year || m_searching)
        return;
    m_chosenFile = year->data(Qt::UserRole).toString();
    accept();
}

void CAccountSetDlg::reject()
{
    if (m_searching) {
        m_stopRequested = true;
        return;
    }
    QDialog::reject();
}

bool CAccountSetDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in a list acts on the list itself instead of pressing the default button 建立.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == m_years)
                openSelected();
            else if (watched == m_folders && m_years->count() > 0)
                m_years->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
