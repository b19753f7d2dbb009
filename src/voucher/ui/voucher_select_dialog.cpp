// The query and summary selection: its layout, the month, way and range choices that fill the
// list, the counters under it, and taking the chosen lines.
#include "voucher/ui/voucher_select_dialog.h"

#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <set>

namespace kszw {

namespace {

// A line's place in the dialog's entries.
constexpr int kEntryRole = Qt::UserRole;

// The list's name and the caption of its columns; the columns start after "%4s.%2s.%-4s".
QString captionText(bool classes)
{
    return QStringLiteral("&W.制作日期  ") + (classes ? QStringLiteral("类别号  类别名称")
                                                      : QStringLiteral("凭证号  制证员   复核员"));
}

enum WayId { ByNumber, ByClass };

} // namespace

namespace {

class SpaceSelects : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        auto* list = qobject_cast<QListWidget*>(watched);
        if (!list || key->key() != Qt::Key_Space)
            return false;
        const Qt::KeyboardModifiers modifiers = key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
        QListWidgetItem* item = list->currentItem();
        if (!item || (modifiers != Qt::NoModifier && modifiers != Qt::ControlModifier))
            return false;
        if (modifiers == Qt::ControlModifier)
            item->setSelected(!item->isSelected());
        else
            item->setSelected(true);
        return true;
    }
};

} // namespace

void spaceSelectsCurrentLine(QListWidget& list)
{
    list.installEventFilter(new SpaceSelects(&list));
}

int listTextIndent(const QListWidget& list)
{
    // The frame, then the margin the style keeps before an item's text.
    return list.frameWidth() + list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
}

CVoucherSelectDlg::CVoucherSelectDlg(Database& db, Prompt& prompt, SelectionMode mode, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_mode(mode)
{
    setWindowTitle(mode == SelectionMode::Query ? QStringLiteral("记帐凭证查询...") : QStringLiteral("记帐凭证汇总..."));

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
    m_caption = new QLabel(captionText(false), this);
    m_caption->setFont(fixed);
    m_caption->setIndent(listTextIndent(*m_list));
    m_caption->setBuddy(m_list);

    m_total = new QLabel(this);
    m_selected = new QLabel(this);
    auto* counters = new QHBoxLayout;
    counters->setSpacing(2);
    counters->addWidget(new QLabel(QStringLiteral("共"), this));
    counters->addWidget(m_total);
    counters->addWidget(new QLabel(QStringLiteral(", 已选择:"), this));
    counters->addWidget(m_selected);
    counters->addStretch(1);

    auto* listColumn = new QVBoxLayout;
    listColumn->addLayout(monthRow);
    listColumn->addWidget(m_caption);
    listColumn->addWidget(m_list, 1);
    listColumn->addLayout(counters);

    auto* wayBox = new QGroupBox(this);
    m_byNumber = new QRadioButton(QStringLiteral("&A.按号码"), wayBox);
    m_byClass = new QRadioButton(QStringLiteral("&B.按类别"), wayBox);
    auto* wayLayout = new QVBoxLayout(wayBox);
    wayLayout->addWidget(m_byNumber);
    wayLayout->addWidget(m_byClass);
    m_ways = new QButtonGroup(this);
    m_ways->addButton(m_byNumber, ByNumber);
    m_ways->addButton(m_byClass, ByClass);
    m_byNumber->setChecked(true);

    auto* rangeBox = new QGroupBox(this);
    m_all = new QRadioButton(QStringLiteral("&C.全部"), rangeBox);
    m_reviewed = new QRadioButton(QStringLiteral("&D.已复核"), rangeBox);
    m_unreviewed = new QRadioButton(QStringLiteral("&E.未复核"), rangeBox);
    auto* rangeLayout = new QVBoxLayout(rangeBox);
    rangeLayout->addWidget(m_all);
    rangeLayout->addWidget(m_reviewed);
    rangeLayout->addWidget(m_unreviewed);
    m_ranges = new QButtonGroup(this);
    m_ranges->addButton(m_all, static_cast<int>(VoucherRange::All));
    m_ranges->addButton(m_reviewed, static_cast<int>(VoucherRange::Reviewed));
    m_ranges->addButton(m_unreviewed, static_cast<int>(VoucherRange::Unreviewed));
    m_all->setChecked(true);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_confirm->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_cancel->setAutoDefault(false);
    auto* side = new QVBoxLayout;
    side->addSpacing(m_months->sizeHint().height() + m_caption->sizeHint().height());
    side->addWidget(m_confirm);
    side->addWidget(m_cancel);
    side->addSpacing(12);
    side->addWidget(wayBox);
    side->addWidget(rangeBox);
    side->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(listColumn, 1);
    layout->addLayout(side);

    connect(m_confirm, &QPushButton::clicked, this, &CVoucherSelectDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CVoucherSelectDlg::updateCounters);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CVoucherSelectDlg::confirm);
    connect(m_months, &QComboBox::currentIndexChanged, this, [this] {
        m_list->clear(); // a new month starts with nothing selected
        showMonth();
    });
    connect(m_ways, &QButtonGroup::idClicked, this, [this] { fillList(); });
    connect(m_ranges, &QButtonGroup::idClicked, this, [this] {
        // Chosen by class, the range narrows the vouchers taken, not the classes listed.
        if (!byClass())
            fillList();
    });
    updateCounters();
}

bool CVoucherSelectDlg::prepare()
{
    try {
        if (!yearHasVouchers(m_db)) {
            m_prompt.warn(kNoVouchersThisYear);
            return false;
        }
        const std::vector<std::string> months = selectionMonths(m_db, m_mode);
        // A summary adds up complete vouchers only: a year of unfinished ones has nothing to add.
        if (months.empty()) {
            m_prompt.warn(kNothingToReview);
            return false;
        }
        m_byClass->setEnabled(hasVoucherClasses(m_db));
        const QSignalBlocker blocker(m_months);
        m_months->clear();
        for (const std::string& month : months)
            m_months->addItem(qtText(month), qtText(month));
        m_months->setCurrentIndex(m_months->count() - 1);
        showMonth();
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return false;
    }
    m_list->setFocus();
    return true;
}

bool CVoucherSelectDlg::byClass() const
{
    return m_byClass->isChecked() && m_byClass->isEnabled();
}

VoucherRange CVoucherSelectDlg::range() const
{
    return static_cast<VoucherRange>(m_ranges->checkedId());
}

void CVoucherSelectDlg::showMonth()
{
    try {
        const MonthCounts counts = monthCounts(m_db, m_months->currentData().toString().toStdString());
        m_reviewed->setEnabled(counts.reviewed > 0);
        m_unreviewed->setEnabled(counts.unreviewed > 0);
        if (!m_ranges->checkedButton()->isEnabled())
            m_all->setChecked(true);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
    fillList();
}

void CVoucherSelectDlg::fillList()
{
    const bool classes = byClass();
    // What was selected stays selected where it is listed again.
    std::set<std::pair<std::string, std::string>> kept;
    if (classes == m_classesListed)
        for (int row : selectedRows()) {
            const SelectionEntry& entry = m_entries[static_cast<size_t>(row)];
            kept.insert({entry.key.date + entry.key.number, entry.classPrefix});
        }
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    m_entries.clear();
    m_classesListed = classes;
    m_caption->setText(captionText(classes));
    const std::string month = m_months->currentData().toString().toStdString();
    try {
        if (!month.empty())
            m_entries = classes ? classEntries(m_db, month) : voucherEntries(m_db, month, m_mode, range());
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
    for (size_t i = 0; i < m_entries.size(); ++i) {
        auto* item = new QListWidgetItem(qtText(m_entries[i].text), m_list);
        item->setData(kEntryRole, static_cast<int>(i));
        if (kept.count({m_entries[i].key.date + m_entries[i].key.number, m_entries[i].classPrefix}))
            item->setSelected(true);
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    updateCounters();
}

void CVoucherSelectDlg::updateCounters()
{
    const bool classes = m_classesListed;
    m_total->setText(qtText(selectionCounter(m_list->count(), classes)));
    m_selected->setText(qtText(selectionCounter(static_cast<int>(m_list->selectedItems().size()), classes)));
}

std::vector<int> CVoucherSelectDlg::selectedRows() const
{
    std::vector<int> rows;
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->isSelected())
            rows.push_back(m_list->item(row)->data(kEntryRole).toInt());
    return rows;
}

std::vector<VoucherKey> CVoucherSelectDlg::vouchersOfClasses(const std::vector<std::string>& classes) const
{
    std::vector<VoucherKey> keys;
    for (const SelectionEntry& entry : voucherEntries(m_db, m_month, SelectionMode::Query, range()))
        for (const std::string& code : classes)
            if (entry.key.number.compare(0, code.size(), code) == 0) {
                keys.push_back(VoucherKey{m_month, entry.key.number});
                break;
            }
    return keys;
}

void CVoucherSelectDlg::confirm()
{
    const std::vector<int> rows = selectedRows();
    const bool classes = m_classesListed;
    if (classes && m_mode == SelectionMode::Summary && static_cast<int>(rows.size()) > kMaxSummaryClasses) {
        m_prompt.warn(kTooManyClasses);
        m_list->setFocus();
        return;
    }
    m_month = m_months->currentData().toString().toStdString();
    std::vector<std::string> chosenClasses;
    std::vector<VoucherKey> chosenKeys;
    for (int row : rows) {
        const SelectionEntry& entry = m_entries[static_cast<size_t>(row)];
        if (classes)
            chosenClasses.push_back(entry.classPrefix);
        else
            chosenKeys.push_back(VoucherKey{m_month, entry.key.number});
    }
    if (m_mode == SelectionMode::Summary) {
        // An empty choice is taken: the summary then shows no rows.
        m_chosenSummary = SummarySelection{m_month, classes, {}, chosenClasses, range()};
        for (const VoucherKey& key : chosenKeys)
            m_chosenSummary.numbers.push_back(key.number);
        accept();
        return;
    }
    try {
        m_chosenVouchers = classes ? vouchersOfClasses(chosenClasses) : chosenKeys;
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (m_chosenVouchers.empty()) {
        // Nothing to show: the display view is not opened.
        m_prompt.warn(kNothingToReview);
        reject();
        return;
    }
    accept();
}

} // namespace kszw
