// The open list of the voucher entry: lines "%2s.%2s.%2s  %4s" (date and number), 打开 with Enter or
// a double-click, deleting with the Delete key; and loading the chosen voucher.
#include "voucher/ui/open_voucher_dialog.h"

#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "session/kszw_env.h"
#include "store/database_error.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kszw {

namespace {

constexpr int kDateRole = Qt::UserRole;
constexpr int kNumberRole = Qt::UserRole + 1;

} // namespace

COpenVoucherDlg::COpenVoucherDlg(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_env(env), m_clock(clock), m_prompt(prompt)
{
    setWindowTitle(qtText(kMessageCaption));
    auto* text = new QLabel(QStringLiteral("以下是你可以打开修改的记帐凭证目录"), this);
    auto* caption = new QLabel(QStringLiteral("制作日期  凭证号"), this);
    m_list = new QListWidget(this);
    const QFont fixed = chartFixedFont(m_list->font());
    caption->setFont(fixed);
    m_list->setFont(fixed);
    caption->setIndent(m_list->frameWidth() + 2);
    sizeLevelList(*m_list, 24, 12);
    m_list->installEventFilter(this);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { openSelected(); });

    m_open = new QPushButton(QStringLiteral("&O.打开"), this);
    m_open->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    connect(m_open, &QPushButton::clicked, this, &COpenVoucherDlg::openSelected);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(text);
    listColumn->addWidget(caption);
    listColumn->addWidget(m_list);
    auto* buttons = new QVBoxLayout;
    buttons->addSpacing(text->sizeHint().height() + caption->sizeHint().height());
    buttons->addWidget(m_open);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(listColumn);
    layout->addLayout(buttons);
    m_list->setFocus();
}

bool COpenVoucherDlg::fillList(std::string_view selectDate, std::string_view selectNumber)
{
    const std::vector<OpenableVoucher> vouchers = openableVouchers(m_env);
    m_list->clear();
    if (vouchers.empty()) {
        m_prompt.warn(kNoOpenableVouchers);
        return false;
    }
    int selected = 0;
    for (const OpenableVoucher& voucher : vouchers) {
        auto* item = new QListWidgetItem(qtText(voucher.line()), m_list);
        item->setData(kDateRole, QString::fromStdString(voucher.date));
        item->setData(kNumberRole, QString::fromStdString(voucher.number));
        if (voucher.date == selectDate && voucher.number == selectNumber)
            selected = m_list->count() - 1;
    }
    m_list->setCurrentRow(selected);
    return true;
}

std::optional<OpenableVoucher> COpenVoucherDlg::selectedVoucher() const
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return std::nullopt;
    return OpenableVoucher{item->data(kDateRole).toString().toStdString(), item->data(kNumberRole).toString().toStdString()};
}

void COpenVoucherDlg::openSelected()
{
    if (selectedVoucher())
        accept();
}

void COpenVoucherDlg::deleteSelected()
{
    const std::optional<OpenableVoucher> chosen = selectedVoucher();
    if (!chosen)
        return;
    const int row = m_list->currentRow();
    try {
        // The voucher is deleted through a record of its own: the one being edited stays as it is.
        CVoucher target(m_env, m_clock);
        target.T = chosen->date;
        target.CER = chosen->number;
        target.DeleteVoucher("0", m_prompt);
        if (target.CountHeaders() == 0)
            m_deleted.push_back(*chosen);
        if (!fillList(chosen->date, chosen->number)) {
            reject();
            return;
        }
        // The line that took the deleted one's place is selected.
        if (target.CountHeaders() == 0)
            m_list->setCurrentRow(std::min(row, m_list->count() - 1));
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_env.db());
    }
}

bool COpenVoucherDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            deleteSelected();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openSelected();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int OpenFromList(CVoucher& voucher, Prompt& prompt, QWidget* parent, bool* deletedShown)
{
    if (deletedShown)
        *deletedShown = false;
    COpenVoucherDlg dialog(voucher.env(), voucher.clock(), prompt, parent);
    const bool keyed = voucher.T.size() == 8;
    if (!dialog.fillList(keyed ? voucher.T : std::string(), keyed ? voucher.CER : std::string()))
        return 0;
    const int answer = dialog.exec();
    if (deletedShown && !voucher.isNew) {
        for (const OpenableVoucher& deleted : dialog.deletedVouchers())
            if (deleted.date == voucher.oldDate && deleted.number == voucher.oldNumber)
                *deletedShown = true;
    }
    const std::optional<OpenableVoucher> chosen = dialog.selectedVoucher();
    if (answer != QDialog::Accepted || !chosen)
        return 0;
    // Loaded into a record of its own first: a refused voucher leaves the one on the screen whole.
    CVoucher loaded(voucher.env(), voucher.clock());
    if (!loaded.OpenVoucher(chosen->date, chosen->number, prompt))
        return 0;
    voucher.assignRecord(loaded);
    return 1;
}

} // namespace kszw
