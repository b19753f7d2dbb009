// The balance-and-turnover table's condition dialog: the two dates, the account with its lookup,
// the listing mode, and the core's checks on 确认.
#include "ledger/ui/turnover_condition_dialog.h"

#include "chart/ui/chart_dialog_support.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/dates.h"
#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "ledger/ui/balance_condition_dialog.h"
#include "session/kszw_env.h"
#include "store/database_error.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <optional>

namespace kszw {

namespace {

enum Field { StartYear, StartMonth, StartDay, EndYear, EndMonth, EndDay, Code, FieldCount };

} // namespace

CTurnoverConditionDlg::CTurnoverConditionDlg(CKszwEnv& env, Prompt& prompt, TurnoverConditions initial,
                                             QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt), m_conditions(std::move(initial))
{
    setWindowTitle(QStringLiteral("帐户余额及发生额表"));

    const DateFields start = makeDateFields(this);
    const DateFields end = makeDateFields(this);
    m_fields[StartYear] = start.year;
    m_fields[StartMonth] = start.month;
    m_fields[StartDay] = start.day;
    m_fields[EndYear] = end.year;
    m_fields[EndMonth] = end.month;
    m_fields[EndDay] = end.day;
    m_fields[Code] = makeAccountCodeField(this);
    m_fields[Code]->setAccessibleName(QStringLiteral("科目代码"));

    auto* startLabel = new QLabel(QStringLiteral("起始时间(&F)："), this);
    startLabel->setBuddy(start.year);
    auto* endLabel = new QLabel(QStringLiteral("终止时间(&T)："), this);
    endLabel->setBuddy(end.year);
    auto* codeLabel = new QLabel(QStringLiteral("科目代码(&K)："), this);
    codeLabel->setBuddy(m_fields[Code]);
    m_browse = new QPushButton(QStringLiteral("&B.浏览..."), this);
    m_browse->setAutoDefault(false);
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(m_fields[Code]);
    codeRow->addWidget(m_browse);
    auto* hint = new QLabel(QStringLiteral("不填科目代码时从一级科目列起"), this);
    hint->setEnabled(false);

    m_nextLevel = new QRadioButton(QStringLiteral("下一级(&N)"), this);
    m_allLevels = new QRadioButton(QStringLiteral("所有下级(&A)"), this);
    auto* mode = new QButtonGroup(this);
    mode->addButton(m_nextLevel);
    mode->addButton(m_allLevels);
    auto* modeBox = new QGroupBox(QStringLiteral("查询方式"), this);
    auto* modeRow = new QHBoxLayout(modeBox);
    modeRow->addWidget(m_nextLevel);
    modeRow->addSpacing(16);
    modeRow->addWidget(m_allLevels);
    modeRow->addStretch(1);

    auto* fields = new QGridLayout;
    fields->addWidget(startLabel, 0, 0);
    fields->addLayout(start.row, 0, 1);
    fields->addWidget(endLabel, 1, 0);
    fields->addLayout(end.row, 1, 1);
    fields->addWidget(codeLabel, 2, 0);
    fields->addLayout(codeRow, 2, 1);
    fields->addWidget(hint, 3, 1);
    fields->addWidget(modeBox, 4, 0, 1, 2);
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

    connect(m_browse, &QPushButton::clicked, this, &CTurnoverConditionDlg::browse);
    connect(m_confirm, &QPushButton::clicked, this, &CTurnoverConditionDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // A span set before comes back; the first time the whole year is offered.
    const bool spanSet = isValidDate(m_conditions.startDate) && isValidDate(m_conditions.endDate);
    showDate(start, spanSet ? m_conditions.startDate : m_env.yearStart());
    showDate(end, spanSet ? m_conditions.endDate : m_env.yearEnd());
    m_fields[Code]->setText(qtText(m_conditions.parent));
    (m_conditions.listing == TurnoverListing::AllLevels ? m_allLevels : m_nextLevel)->setChecked(true);
    focusField(m_fields[StartYear]);
}

void CTurnoverConditionDlg::focusField(CSpecEdit* field)
{
    field->setFocus();
    field->selectAll();
}

void CTurnoverConditionDlg::browse()
{
    CSpecEdit* code = m_fields[Code];
    const std::optional<QString> chosen =
        CSubjectQueryDlg::lookUpSubject(m_env.db(), m_prompt, code->text().trimmed(), this);
    if (chosen)
        code->setText(*chosen);
    focusField(code);
}

void CTurnoverConditionDlg::confirm()
{
    int value[Code] = {};
    for (int i = 0; i < Code; ++i)
        value[i] = fieldNumber(m_fields[i]);
    const std::string code = trimWhitespace(m_fields[Code]->text().toStdString());
    std::optional<ConditionRefusal> refusal;
    try {
        refusal = checkTurnoverConditions(m_env.db(), value[StartYear], value[StartMonth], value[StartDay],
                                          value[EndYear], value[EndMonth], value[EndDay], code, m_env.yearStart(),
                                          m_env.yearEnd());
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_env.db());
        return;
    }
    if (refusal) {
        m_prompt.warn(refusal->message);
        focusField(m_fields[refusal->field >= 0 && refusal->field < FieldCount ? refusal->field : StartYear]);
        return;
    }
    const AccountingCalendar calendar(m_env.year(), m_env.yearStart(), m_env.yearEnd(), m_env.monthEndCode());
    m_conditions.parent = code;
    m_conditions.startDate = makeDate(value[StartYear], value[StartMonth], value[StartDay]);
    m_conditions.endDate = makeDate(value[EndYear], value[EndMonth], value[EndDay]);
    const int startMonth = calendar.monthOf(m_conditions.startDate);
    const int endMonth = calendar.monthOf(m_conditions.endDate);
    m_conditions.startMonth = startMonth > 0 ? startMonth : 1;
    m_conditions.endMonth = endMonth; // 0 (in no month): the opening rows still count
    m_conditions.listing = m_allLevels->isChecked() ? TurnoverListing::AllLevels : TurnoverListing::NextLevel;
    accept();
}

} // namespace kszw
