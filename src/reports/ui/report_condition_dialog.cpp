// The statement and month dialog in front of the statement view.
#include "reports/ui/report_condition_dialog.h"

#include "common/clock.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "reports/report_definitions.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "voucher/month_close.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace kszw {

int defaultReportMonth(int closedMonths, const AccountingCalendar& calendar, const CivilDate& today)
{
    if (closedMonths >= 1)
        return std::min(closedMonths, 12);
    const std::string date = makeDate(today);
    if (const int month = calendar.monthOf(date); month >= 1)
        return month;
    return date < calendar.period(1).first ? 1 : 12;
}

CReportConditionDlg::CReportConditionDlg(Database& db, Prompt& prompt, const Clock& clock,
                                         const AccountingCalendar& calendar, int reportNumber, int month,
                                         QWidget* parent)
    : QDialog(parent), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("财务报表"));

    m_reports = new QComboBox(this);
    m_reports->setAccessibleName(QStringLiteral("报表"));
    m_reports->setMinimumContentsLength(12);
    int closed = 0;
    try {
        for (const ReportDefinition& report : loadReports(db)) {
            m_numbers.push_back(report.number);
            m_reports->addItem(qtText(report.name));
        }
        closed = monthToClose(db).month - 1;
    } catch (const DatabaseError& error) {
        prompt.warn(userMessage(error, db.path()));
    }
    const auto chosen = std::find(m_numbers.begin(), m_numbers.end(), reportNumber);
    if (chosen != m_numbers.end())
        m_reports->setCurrentIndex(static_cast<int>(chosen - m_numbers.begin()));

    m_month = new QSpinBox(this);
    m_month->setAccessibleName(QStringLiteral("会计月份"));
    m_month->setRange(1, 12);
    m_month->setSuffix(QStringLiteral(" 月"));
    m_month->setValue(month >= 1 && month <= 12 ? month : defaultReportMonth(closed, calendar, clock.today()));

    auto* reportLabel = new QLabel(QStringLiteral("报表(&R)："), this);
    reportLabel->setBuddy(m_reports);
    auto* monthLabel = new QLabel(QStringLiteral("会计月份(&M)："), this);
    monthLabel->setBuddy(m_month);
    auto* hint = new QLabel(QStringLiteral("%1 年度").arg(calendar.year()), this);
    hint->setEnabled(false);
    auto* monthRow = new QHBoxLayout;
    monthRow->addWidget(m_month);
    monthRow->addWidget(hint);
    monthRow->addStretch(1);

    auto* fields = new QFormLayout;
    fields->addRow(reportLabel, m_reports);
    fields->addRow(monthLabel, monthRow);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_confirm->setDefault(true);
    m_cancel->setAutoDefault(false);
    connect(m_confirm, &QPushButton::clicked, this, &CReportConditionDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    setTabOrder(m_reports, m_month);
    setTabOrder(m_month, m_confirm);
    setTabOrder(m_confirm, m_cancel);
    m_reports->setFocus();
}

int CReportConditionDlg::reportNumber() const
{
    const int index = m_reports->currentIndex();
    return index >= 0 && index < static_cast<int>(m_numbers.size()) ? m_numbers[static_cast<size_t>(index)] : 0;
}

int CReportConditionDlg::month() const
{
    return m_month->value();
}

void CReportConditionDlg::confirm()
{
    if (reportNumber() == 0) {
        m_prompt.warn("没有可以显示的报表！");
        return;
    }
    accept();
}

} // namespace kszw
