// The auxiliary-accounting directory dialog: the list of the core's directory lines in a
// fixed-pitch font under their heading, the month span, and the keys that move through them.
#include "ledger/ui/auxiliary_directory_dialog.h"

#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "ledger/three_column_ledger.h"
#include "session/kszw_env.h"
#include "store/database_error.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kszw {

namespace {

constexpr int kLineCharacters = 57; // 15 + 32 + 10, or 15 + 42
constexpr int kListRows = 14;
constexpr int kMonthDigits = 2;

DirectoryType directoryType(int type)
{
    if (type == static_cast<int>(DirectoryType::Quantity))
        return DirectoryType::Quantity;
    if (type == static_cast<int>(DirectoryType::Currency))
        return DirectoryType::Currency;
    return DirectoryType::MultiColumn;
}

// A month field's number: 0 when it holds none (refused like any month out of range).
int monthOf(const CSpecEdit& field)
{
    bool ok = false;
    const int month = field.text().trimmed().toInt(&ok);
    return ok ? month : 0;
}

CSpecEdit* monthField(int month, QWidget* parent)
{
    auto* field = new CSpecEdit(parent);
    field->SetInputSpec(QStringLiteral("NUMBER 1 12"), kMonthDigits, 0);
    field->setAlignment(Qt::AlignRight);
    const QFontMetrics metrics(field->font());
    field->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("000")) + 16);
    field->setText(QString::number(month));
    return field;
}

} // namespace

CAuxiliaryDirectoryDlg::CAuxiliaryDirectoryDlg(CKszwEnv& env, Prompt& prompt, int type, std::string currentCode,
                                               int startMonth, int endMonth, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt), m_type(directoryType(type))
{
    setWindowTitle(qtText(directoryTitle(m_type, m_env.year())));
    const QFont listFont = chartFixedFont(font());

    m_list = new QListWidget(this);
    m_list->setFont(listFont);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->installEventFilter(this);
    sizeLevelList(*m_list, kLineCharacters, kListRows);

    m_heading = new QLabel(qtText(directoryHeading(m_type)), this);
    m_heading->setFont(listFont);
    m_heading->setContentsMargins(m_list->frameWidth() + 3, 0, 0, 0);
    auto* listCaption = new QLabel(QStringLiteral("科目(&L)："), this);
    listCaption->setBuddy(m_list);

    m_start = monthField(startMonth, this);
    m_end = monthField(endMonth, this);
    m_start->installEventFilter(this);
    m_end->installEventFilter(this);
    auto* from = new QLabel(QStringLiteral("从(&B)"), this);
    from->setBuddy(m_start);
    auto* to = new QLabel(QStringLiteral("至(&E)"), this);
    to->setBuddy(m_end);
    auto* span = new QHBoxLayout;
    span->addWidget(from);
    span->addWidget(new QLabel(QStringLiteral("%1 年").arg(m_env.year()), this));
    span->addWidget(m_start);
    span->addWidget(new QLabel(QStringLiteral("月"), this));
    span->addSpacing(12);
    span->addWidget(to);
    span->addWidget(m_end);
    span->addWidget(new QLabel(QStringLiteral("月"), this));
    span->addStretch(1);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    auto* cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_confirm->setAutoDefault(false);
    cancel->setAutoDefault(false);
    span->addWidget(m_confirm);
    span->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listCaption);
    layout->setSpacing(4);
    layout->addWidget(m_heading);
    layout->addWidget(m_list, 1);
    layout->addSpacing(6);
    layout->addLayout(span);

    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_list->setCurrentItem(item);
        confirm();
    });
    connect(m_confirm, &QPushButton::clicked, this, &CAuxiliaryDirectoryDlg::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    fill(currentCode);
}

void CAuxiliaryDirectoryDlg::fill(const std::string& currentCode)
{
    std::vector<DirectoryLine> lines;
    try {
        lines = auxiliaryDirectory(m_env.db(), m_type);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_env.db());
        m_failed = true;
        return;
    }
    const QString current = qtText(currentCode).trimmed();
    int selected = 0;
    for (const DirectoryLine& line : lines) {
        auto* item = new QListWidgetItem(qtText(line.text), m_list);
        item->setData(kCodeRole, qtText(line.code));
        if (!current.isEmpty() && qtText(line.code) == current)
            selected = m_list->count() - 1;
    }
    if (m_list->count() > 0) {
        m_list->setCurrentRow(selected);
        m_list->scrollToItem(m_list->currentItem(), QAbstractItemView::PositionAtCenter);
        m_list->setFocus();
    }
}

std::optional<AuxiliaryChoice> CAuxiliaryDirectoryDlg::chooseAccount(CKszwEnv& env, Prompt& prompt, int type,
                                                                     const std::string& currentCode, int startMonth,
                                                                     int endMonth, QWidget* parent)
{
    CAuxiliaryDirectoryDlg dialog(env, prompt, type, currentCode, startMonth, endMonth, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

int CAuxiliaryDirectoryDlg::exec()
{
    if (m_failed)
        return QDialog::Rejected;
    if (isEmptyDirectory()) {
        m_prompt.tell(kEmptyDirectory, Icon::Stop, kMessageCaption);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

bool CAuxiliaryDirectoryDlg::isEmptyDirectory() const
{
    return m_list->count() == 0;
}

std::string CAuxiliaryDirectoryDlg::selectedCode() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(kCodeRole).toString().toStdString() : std::string();
}

void CAuxiliaryDirectoryDlg::focusField(CSpecEdit* field)
{
    field->setFocus();
    field->selectAll();
}

void CAuxiliaryDirectoryDlg::confirm()
{
    const std::string code = selectedCode();
    if (code.empty()) {
        m_list->setFocus();
        return;
    }
    const int startMonth = monthOf(*m_start);
    const int endMonth = monthOf(*m_end);
    if (const std::optional<PeriodRefusal> refusal = checkPeriodMonths(startMonth, endMonth)) {
        m_prompt.tell(refusal->message, Icon::Stop, kMessageCaption);
        focusField(refusal->field == 0 ? m_start : m_end);
        return;
    }
    m_choice = AuxiliaryChoice{code, startMonth, endMonth};
    accept();
}

bool CAuxiliaryDirectoryDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Enter on a line confirms it; in the months it goes from the start to the end, then confirms.
        if (enter && watched == m_start) {
            focusField(m_end);
            return true;
        }
        if (enter && (watched == m_end || watched == m_list)) {
            confirm();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
