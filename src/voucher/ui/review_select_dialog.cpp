// The review selection: its layout, the operation and month choices that fill the list, the
// counters, handing the choice to the display, and the batch that reviews or takes back the choice
// here with its progress bar.
#include "voucher/ui/review_select_dialog.h"

#include "voucher/ui/voucher_select_dialog.h"

#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

namespace kszw {

namespace {

// A line's place in the dialog's entries.
constexpr int kEntryRole = Qt::UserRole;

enum OperationId { ReviewId, CancelId };

} // namespace

CReviewSelectDlg::CReviewSelectDlg(Database& db, Prompt& prompt, std::string reviewer, int closedMonths,
                                   QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_reviewer(std::move(reviewer)), m_closedMonths(closedMonths)
{
    setWindowTitle(QStringLiteral("记帐凭证复核登帐..."));

    m_months = new QComboBox(this);
    m_months->setMinimumContentsLength(4);
    auto* monthLabel = new QLabel(QStringLiteral("&M.月份"), this);
    monthLabel->setBuddy(m_months);
    auto* monthRow = new QHBoxLayout;
    monthRow->addWidget(monthLabel);
    monthRow->addWidget(m_months);
    monthRow->addStretch(1);

    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    spaceSelectsCurrentLine(*m_list);
    const QFont fixed = chartFixedFont(m_list->font());
    m_list->setFont(fixed);
    sizeLevelList(*m_list, 46, 16);
    // The columns of "%4s.%2s.%-3s%-7s%-9s%-9s%4d张" under their titles.
    m_caption = new QLabel(QStringLiteral("&W.制作日期 凭证号  制作员   复核员   附件数"), this);
    m_caption->setFont(fixed);
    m_caption->setIndent(listTextIndent(*m_list));
    m_caption->setBuddy(m_list);

    m_total = new QLabel(this);
    m_selected = new QLabel(this);
    auto* counters = new QHBoxLayout;
    counters->setSpacing(4);
    counters->addWidget(new QLabel(QStringLiteral("共"), this));
    counters->addWidget(m_total);
    counters->addWidget(new QLabel(QStringLiteral("张，已选"), this));
    counters->addWidget(m_selected);
    counters->addWidget(new QLabel(QStringLiteral("张"), this));
    counters->addStretch(1);

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progressText = new QLabel(this);
    m_progressText->setFont(fixed);
    m_progressText->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(12, QLatin1Char('0'))));
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_progressText);
    // The bar keeps its place while no batch runs.
    for (QWidget* widget : {static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_progressText)}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
        widget->hide();
    }

    auto* listColumn = new QVBoxLayout;
    listColumn->addLayout(monthRow);
    listColumn->addWidget(m_caption);
    listColumn->addWidget(m_list, 1);
    listColumn->addLayout(counters);
    listColumn->addLayout(progressRow);

    auto* operationBox = new QGroupBox(this);
    m_review = new QRadioButton(QStringLiteral("复核登帐 "), operationBox);
    m_cancelReview = new QRadioButton(QStringLiteral("取消复核"), operationBox);
    auto* operationLayout = new QVBoxLayout(operationBox);
    operationLayout->addWidget(m_review);
    operationLayout->addWidget(m_cancelReview);
    m_operations = new QButtonGroup(this);
    m_operations->addButton(m_review, ReviewId);
    m_operations->addButton(m_cancelReview, CancelId);
    m_review->setChecked(true);

    auto* wayBox = new QGroupBox(this);
    m_noDisplay = new QRadioButton(QStringLiteral("不查凭证"), wayBox);
    m_display = new QRadioButton(QStringLiteral("查询凭证"), wayBox);
    auto* wayLayout = new QVBoxLayout(wayBox);
    wayLayout->addWidget(m_noDisplay);
    wayLayout->addWidget(m_display);
    // Looking at the vouchers first is the careful way; the batch is one click away.
    m_display->setChecked(true);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_confirm->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_cancel->setAutoDefault(false);
    auto* side = new QVBoxLayout;
    side->addSpacing(m_months->sizeHint().height() + m_caption->sizeHint().height());
    side->addWidget(m_confirm);
    side->addWidget(m_cancel);
    side->addSpacing(12);
    side->addWidget(operationBox);
    side->addWidget(wayBox);
    side->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(listColumn, 1);
    layout->addLayout(side);

    connect(m_confirm, &QPushButton::clicked, this, &CReviewSelectDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &CReviewSelectDlg::reject);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CReviewSelectDlg::updateCounters);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CReviewSelectDlg::confirm);
    connect(m_operations, &QButtonGroup::idClicked, this, [this] {
        if (!showOperation())
            reject();
    });
    connect(m_months, &QComboBox::currentIndexChanged, this, [this] {
        m_progress->hide();
        m_progressText->hide();
        if (!fillList())
            reject();
    });
    updateCounters();
}

bool CReviewSelectDlg::prepare()
{
    try {
        if (!hasReviewWork(m_db, m_reviewer, m_closedMonths)) {
            m_prompt.warn(kNothingToReview);
            return false;
        }
        offerOperations();
        (m_review->isEnabled() ? m_review : m_cancelReview)->setChecked(true);
        if (!showOperation())
            return false;
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return false;
    }
    m_list->setFocus();
    return true;
}

void CReviewSelectDlg::offerOperations()
{
    m_review->setEnabled(!reviewEntries(m_db, m_reviewer).empty());
    m_cancelReview->setEnabled(!cancelMonths(m_db, m_reviewer, m_closedMonths).empty());
}

bool CReviewSelectDlg::showOperation()
{
    m_operation = m_operations->checkedId() == CancelId ? ReviewOperation::Cancel : ReviewOperation::Review;
    // The progress of a batch belongs to the list it was run on.
    m_progress->hide();
    m_progressText->hide();
    try {
        const QSignalBlocker blocker(m_months);
        m_months->clear();
        // Reviews are chosen over all months; reviews are taken back month by month.
        if (m_operation == ReviewOperation::Cancel) {
            for (const std::string& month : cancelMonths(m_db, m_reviewer, m_closedMonths))
                m_months->addItem(qtText(month), qtText(month));
            m_months->setCurrentIndex(m_months->count() - 1);
        }
        m_months->setEnabled(m_operation == ReviewOperation::Cancel);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return false;
    }
    return fillList();
}

bool CReviewSelectDlg::fillList()
{
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    m_entries.clear();
    try {
        if (m_operation == ReviewOperation::Review)
            m_entries = reviewEntries(m_db, m_reviewer);
        else if (m_months->count() > 0)
            m_entries = cancelEntries(m_db, m_months->currentData().toString().toStdString(), m_reviewer,
                                      m_closedMonths);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return false;
    }
    updateCounters();
    if (m_entries.empty()) {
        m_prompt.warn(kNothingToReview);
        return false;
    }
    for (size_t i = 0; i < m_entries.size(); ++i) {
        auto* item = new QListWidgetItem(qtText(m_entries[i].text), m_list);
        item->setData(kEntryRole, static_cast<int>(i));
    }
    m_list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    updateCounters();
    return true;
}

void CReviewSelectDlg::updateCounters()
{
    m_total->setText(QString::number(m_list->count()));
    m_selected->setText(QString::number(m_list->selectedItems().size()));
}

std::vector<VoucherKey> CReviewSelectDlg::selectedKeys() const
{
    std::vector<VoucherKey> keys;
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->isSelected())
            keys.push_back(m_entries[static_cast<size_t>(m_list->item(row)->data(kEntryRole).toInt())].key);
    return keys;
}

void CReviewSelectDlg::confirm()
{
    if (m_busy)
        return;
    const std::vector<VoucherKey> keys = selectedKeys();
    if (keys.empty()) {
        m_prompt.warn(kNothingToReview);
        reject();
        return;
    }
    if (m_display->isChecked()) {
        m_chosen = keys;
        accept();
        return;
    }
    runBatch(keys);
}

void CReviewSelectDlg::reject()
{
    if (!m_busy)
        QDialog::reject();
}

void CReviewSelectDlg::setBusy(bool busy)
{
    m_busy = busy;
    m_confirm->setEnabled(!busy);
    m_cancel->setEnabled(!busy);
    if (busy) {
        m_progress->setValue(0);
        m_progressText->clear();
        m_progress->show();
        m_progressText->show();
    }
}

void CReviewSelectDlg::runBatch(const std::vector<VoucherKey>& keys)
{
    setBusy(true);
    const BatchProgress progress = [this](const std::string& number, int percent) {
        m_progress->setValue(percent);
        m_progressText->setText(qtText(batchProgressText(number, percent)));
        // The window keeps painting; clicks and keys wait until the batch is over.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    try {
        m_processed += m_operation == ReviewOperation::Review
                           ? reviewBatch(m_db, keys, m_reviewer, m_prompt, progress)
                           : cancelBatch(m_db, keys, m_reviewer, m_prompt, progress);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
    setBusy(false);
    if (m_operation == ReviewOperation::Cancel) {
        reject();
        return;
    }
    try {
        if (reviewEntries(m_db, m_reviewer).empty()) {
            m_prompt.warn(kAllProcessed);
            reject();
            return;
        }
        offerOperations();
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        reject();
        return;
    }
    if (!fillList())
        reject();
}

} // namespace kszw
