#include "accountset/ui/new_year_dialog.h"

#include "accountset/account_sets.h"
#include "accountset/new_year.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "session/kszw_env.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kszw {

namespace {

constexpr std::string_view kNote = "    注意：当建立了新年\r度文件后，请使用年末转\r帐功能转帐。\r    删除年度文件之前请\r做好备份。";

} // namespace

CNewYearDlg::CNewYearDlg(CKszwEnv& env, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("建立新年度数据文件"));

    m_path = new QLabel(QString::fromStdString(accountSetFolder(env)), this);
    m_path->setTextFormat(Qt::PlainText);
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_path->setFrameShape(QFrame::StyledPanel);
    m_path->setFrameShadow(QFrame::Sunken);
    m_path->setWordWrap(true);

    m_year = new CSpecEdit(this);
    m_year->SetInputSpec(QStringLiteral("STRING 0123456789"), 4, 0);
    m_year->setMaxLength(4);
    m_year->setFixedWidth(m_year->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    auto* yearLabel = new QLabel(QStringLiteral("输入新建年度(&Y)"), this);
    yearLabel->setBuddy(m_year);

    m_years = new QListWidget(this);
    m_years->installEventFilter(this);
    auto* yearsLabel = new QLabel(QStringLiteral("已有年度文件->"), this);
    yearsLabel->setBuddy(m_years);

    auto* note = new QLabel(displayText(kNote), this);
    note->setTextFormat(Qt::PlainText);
    auto* deleteNote = new QLabel(QStringLiteral("删除: Delete"), this);

    m_create = new QPushButton(QStringLiteral("新建(&N)"), this);
    auto* cancel = new QPushButton(QStringLiteral("取消(&X)"), this);
    m_create->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("路径"), this), 0, 0);
    grid->addWidget(m_path, 0, 1, 1, 2);
    grid->addWidget(yearLabel, 1, 0);
    grid->addWidget(m_year, 1, 1, Qt::AlignLeft);
    grid->addWidget(yearsLabel, 2, 0, Qt::AlignTop);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(m_years, 1);
    listColumn->addWidget(deleteNote);
    grid->addLayout(listColumn, 2, 1);
    auto* side = new QVBoxLayout;
    side->addWidget(note);
    side->addStretch();
    side->addWidget(m_create);
    side->addWidget(cancel);
    grid->addLayout(side, 1, 2, 2, 1);
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);

    connect(m_create, &QPushButton::clicked, this, &CNewYearDlg::createYear);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    refreshYears();
    m_years->setMinimumWidth(m_years->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    resize(440, 300);
    m_year->setFocus();
}

void CNewYearDlg::refreshYears()
{
    m_years->clear();
    for (const YearFileEntry& file : yearFilesOf(accountSetFolder(m_env))) {
        auto* item = new QListWidgetItem(QString::number(file.year), m_years);
        item->setData(Qt::UserRole, QString::fromStdString(file.path));
    }
}

void CNewYearDlg::createYear()
{
    const NewYearResult result = createNewYear(m_env, m_year->text().toStdString(), m_prompt);
    if (result.outcome == NewYearOutcome::Created) {
        m_createdFile = QString::fromStdString(result.filePath);
        accept();
        return;
    }
    m_year->setFocus();
    m_year->selectAll();
}

void CNewYearDlg::deleteSelectedYear()
{
    const int row = m_years->currentRow();
    if (row < 0)
        return;
    const std::string path = m_years->item(row)->data(Qt::UserRole).toString().toStdString();
    if (deleteYearFile(m_env, path, m_prompt) != DeleteYearOutcome::Deleted)
        return;
    delete m_years->takeItem(row);
    if (m_years->count() > 0)
        m_years->setCurrentRow(row > 0 ? row - 1 : 0);
}

bool CNewYearDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_years && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            deleteSelectedYear();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
