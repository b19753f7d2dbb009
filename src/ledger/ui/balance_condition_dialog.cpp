// The balance table's condition dialog: its fields and their first values, the subject lookup
// behind 浏览..., and the core's checks on 确认. Also the date and code fields that the
// balance-and-turnover table's dialog builds the same way.
#include "ledger/ui/balance_condition_dialog.h"

#include "chart/subject_codes.h"
#include "chart/ui/chart_dialog_support.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/clock.h"
#include "common/dates.h"
#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "session/kszw_env.h"
#include "store/database_error.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdlib>
#include <optional>

namespace kszw {

namespace {

// A field wide enough for that many digits of its font, and no wider.
void sizeForDigits(QLineEdit* field, int digits)
{
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('0'))) + 14);
}

CSpecEdit* numberField(QWidget* parent, const char* spec, int digits)
{
    auto* field = new CSpecEdit(parent);
    field->SetInputSpec(QString::fromLatin1(spec), digits, 0);
    field->setMaxLength(digits);
    field->setAlignment(Qt::AlignRight);
    sizeForDigits(field, digits + 1);
    return field;
}

} // namespace

// ---- shared fields ----

DateFields makeDateFields(QWidget* parent)
{
    DateFields fields;
    fields.year = numberField(parent, "NUMBER 1990 9999", 4);
    fields.month = numberField(parent, "NUMBER 1 12", 2);
    fields.day = numberField(parent, "NUMBER 1 31", 2);
    fields.row = new QHBoxLayout;
    fields.row->addWidget(fields.year);
    fields.row->addWidget(new QLabel(QStringLiteral("年"), parent));
    fields.row->addWidget(fields.month);
    fields.row->addWidget(new QLabel(QStringLiteral("月"), parent));
    fields.row->addWidget(fields.day);
    fields.row->addWidget(new QLabel(QStringLiteral("日"), parent));
    fields.row->addStretch(1);
    return fields;
}

void showDate(const DateFields& fields, std::string_view date)
{
    const std::optional<CivilDate> day = splitDate(date);
    fields.year->setText(day ? QString::number(day->year) : QString());
    fields.month->setText(day ? QString::number(day->month) : QString());
    fields.day->setText(day ? QString::number(day->day) : QString());
}

int fieldNumber(const CSpecEdit* field)
{
    return std::atoi(field->text().trimmed().toStdString().c_str());
}

CSpecEdit* makeAccountCodeField(QWidget* parent)
{
    auto* field = new CSpecEdit(parent);
    field->SetInputSpec(QStringLiteral("CLASSNOSTRING"), kMaxSubjectLevels - 1, 0);
    field->setMaxLength(kMaxSubjectCodeLength);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QString(kMaxSubjectCodeLength + 2, QLatin1Char('0'))));
    return field;
}

// ---- the dialog ----

CBalanceConditionDlg::CBalanceConditionDlg(CKszwEnv& env, Prompt& prompt, const Clock& clock,
                                           BalanceConditions initial, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt), m_conditions(std::move(initial))
{
    setWindowTitle(QStringLiteral("帐户余额表"));

    m_yearLabel = new QLabel(QStringLiteral("%1 年度").arg(m_env.year()), this);
    QFont yearFont = m_yearLabel->font();
    yearFont.setBold(true);
    m_yearLabel->setFont(yearFont);

    m_code = makeAccountCodeField(this);
    m_code->setAccessibleName(QStringLiteral("科目代码"));
    auto* codeLabel = new QLabel(QStringLiteral("科目代码(&K)："), this);
    codeLabel->setBuddy(m_code);
    m_browse = new QPushButton(QStringLiteral("&B.浏览..."), this);
    m_browse->setAutoDefault(false);
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(m_code);
    codeRow->addWidget(m_browse);
    auto* hint = new QLabel(QStringLiteral("不填科目代码时列出一级科目"), this);
    hint->setEnabled(false);

    const DateFields date = makeDateFields(this);
    m_year = date.year;
    m_month = date.month;
    m_day = date.day;
    auto* dateLabel = new QLabel(QStringLiteral("截止时间(&T)："), this);
    dateLabel->setBuddy(m_year);

    auto* fields = new QGridLayout;
    fields->addWidget(m_yearLabel, 0, 0, 1, 2, Qt::AlignHCenter);
    fields->addWidget(codeLabel, 1, 0);
    fields->addLayout(codeRow, 1, 1);
    fields->addWidget(hint, 2, 1);
    fields->addWidget(dateLabel, 3, 0);
    fields->addLayout(date.row, 3, 1);
    fields->setColumnStretch(1, 1);
    fields->setVerticalSpacing(8);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_confirm->setDefault(true);
    m_cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(10);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_browse, &QPushButton::clicked, this, &CBalanceConditionDlg::browse);
    connect(m_confirm, &QPushButton::clicked, this, &CBalanceConditionDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_code->setText(qtText(m_conditions.parent));
    std::string start = m_conditions.cutoffDate;
    if (!isValidDate(start)) {
        const AccountingCalendar calendar(m_env.year(), m_env.yearStart(), m_env.yearEnd(), m_env.monthEndCode());
        start = initialCutoffDate(calendar, makeDate(clock.today()), m_env.yearEnd());
    }
    showDate(date, start);
    focusField(m_code);
}

void CBalanceConditionDlg::focusField(CSpecEdit* field)
{
    field->setFocus();
    field->selectAll();
}

void CBalanceConditionDlg::browse()
{
    const std::optional<QString> chosen =
        CSubjectQueryDlg::lookUpSubject(m_env.db(), m_prompt, m_code->text().trimmed(), this);
    if (chosen)
        m_code->setText(*chosen);
    focusField(m_code);
}

void CBalanceConditionDlg::confirm()
{
    const std::string code = trimWhitespace(m_code->text().toStdString());
    const int year = fieldNumber(m_year);
    const int month = fieldNumber(m_month);
    const int day = fieldNumber(m_day);
    std::optional<ConditionRefusal> refusal;
    try {
        refusal = checkBalanceConditions(m_env.db(), code, year, month, day, m_env.yearStart(), m_env.yearEnd());
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_env.db());
        return;
    }
    if (refusal) {
        m_prompt.warn(refusal->message);
        CSpecEdit* const fields[] = {m_code, m_year, m_month, m_day};
        focusField(fields[refusal->field >= 0 && refusal->field < 4 ? refusal->field : 0]);
        return;
    }
    const AccountingCalendar calendar(m_env.year(), m_env.yearStart(), m_env.yearEnd(), m_env.monthEndCode());
    m_conditions.parent = code;
    m_conditions.cutoffDate = makeDate(year, month, day);
    // A date in no accounting month gives month 0; the table still counts the opening rows.
    m_conditions.cutoffMonth = calendar.monthOf(m_conditions.cutoffDate);
    accept();
}

} // namespace kszw
