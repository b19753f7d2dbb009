// The fuzzy query's condition dialog: its fields and their first values, the subject lookup behind
// 浏览科目, and the core's checks on 确认.
#include "ledger/ui/search_condition_dialog.h"

#include "chart/ui/chart_dialog_support.h"
#include "chart/ui/subject_query_dialog.h"
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

// A summary holds at most 40 bytes; an amount thirteen digits, a point, two decimals and a sign.
constexpr int kSummaryLength = 40;
constexpr int kAmountLength = 17;

CSpecEdit* specField(QWidget* parent, const char* spec, int limit, int characters)
{
    auto* field = new CSpecEdit(parent);
    field->SetInputSpec(QString::fromLatin1(spec), limit, 0);
    field->setMaxLength(limit);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QString(characters, QLatin1Char('0'))) + 14);
    return field;
}

CSpecEdit* monthField(QWidget* parent)
{
    CSpecEdit* field = specField(parent, "NUMBER 1 12", 2, 3);
    field->setAlignment(Qt::AlignRight);
    return field;
}

CSpecEdit* makeAmountField(QWidget* parent)
{
    CSpecEdit* field = specField(parent, "STRING 0123456789.-", kAmountLength, 14);
    field->setAlignment(Qt::AlignRight);
    return field;
}

QGroupBox* choiceBox(const QString& title, std::initializer_list<QRadioButton*> buttons, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    auto* group = new QButtonGroup(box);
    auto* row = new QHBoxLayout(box);
    for (QRadioButton* button : buttons) {
        group->addButton(button);
        row->addWidget(button);
        row->addSpacing(12);
    }
    row->addStretch(1);
    return box;
}

QString monthText(int month)
{
    return month >= 1 && month <= 12 ? QString::number(month) : QString();
}

} // namespace

CSearchConditionDlg::CSearchConditionDlg(CKszwEnv& env, Prompt& prompt, SearchConditions initial, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt), m_conditions(std::move(initial))
{
    setWindowTitle(QStringLiteral("帐页模糊查询"));

    m_yearLabel = new QLabel(QStringLiteral("%1 年度").arg(m_env.year()), this);
    QFont yearFont = m_yearLabel->font();
    yearFont.setBold(true);
    m_yearLabel->setFont(yearFont);

    m_code = makeAccountCodeField(this);
    m_code->setAccessibleName(QStringLiteral("科目"));
    auto* codeLabel = new QLabel(QStringLiteral("科目(&K)："), this);
    codeLabel->setBuddy(m_code);
    m_browse = new QPushButton(QStringLiteral("&B.浏览科目"), this);
    m_browse->setAutoDefault(false);
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(m_code);
    codeRow->addWidget(m_browse);
    codeRow->addStretch(1);

    m_summary = new CSpecEdit(this);
    m_summary->SetInputSpec(QStringLiteral("STRING NOT |[]'\""), kSummaryLength, 0);
    m_summary->setAccessibleName(QStringLiteral("摘要"));
    m_summary->setMinimumWidth(m_summary->fontMetrics().horizontalAdvance(QString(kSummaryLength, QLatin1Char('0'))));
    auto* summaryLabel = new QLabel(QStringLiteral("摘要(&Z)："), this);
    summaryLabel->setBuddy(m_summary);
    auto* summaryHint = new QLabel(QStringLiteral("摘要中包含的文字"), this);
    summaryHint->setEnabled(false);

    m_amount = makeAmountField(this);
    m_amount->setAccessibleName(QStringLiteral("金额"));
    m_amount2 = makeAmountField(this);
    m_amount2->setAccessibleName(QStringLiteral("第二个金额"));
    auto* amountLabel = new QLabel(QStringLiteral("金额在(&J)："), this);
    amountLabel->setBuddy(m_amount);
    auto* amountRow = new QHBoxLayout;
    amountRow->addWidget(m_amount);
    amountRow->addWidget(new QLabel(QStringLiteral("与"), this));
    amountRow->addWidget(m_amount2);
    amountRow->addWidget(new QLabel(QStringLiteral("之间"), this));
    amountRow->addStretch(1);
    auto* amountHint = new QLabel(QStringLiteral("只填一个金额时查找等于该金额的记录"), this);
    amountHint->setEnabled(false);

    // Created in the order the fields are laid out, which is the order Tab follows.
    m_startMonth = monthField(this);
    m_startMonth->setAccessibleName(QStringLiteral("起始月份"));
    m_endMonth = monthField(this);
    m_endMonth->setAccessibleName(QStringLiteral("终止月份"));
    auto* spanLabel = new QLabel(QStringLiteral("时间范围(&T)："), this);
    spanLabel->setBuddy(m_startMonth);
    auto* spanRow = new QHBoxLayout;
    spanRow->addWidget(new QLabel(QStringLiteral("%1 年").arg(m_env.year()), this));
    spanRow->addWidget(m_startMonth);
    spanRow->addWidget(new QLabel(QStringLiteral("月  至"), this));
    spanRow->addWidget(m_endMonth);
    spanRow->addWidget(new QLabel(QStringLiteral("月"), this));
    spanRow->addStretch(1);

    m_bothSides = new QRadioButton(QStringLiteral("自动(&A)"), this);
    m_debit = new QRadioButton(QStringLiteral("借方(&D)"), this);
    m_credit = new QRadioButton(QStringLiteral("贷方(&C)"), this);
    QGroupBox* sideBox = choiceBox(QStringLiteral("金额方向"), {m_bothSides, m_debit, m_credit}, this);

    m_byDate = new QRadioButton(QStringLiteral("按日期(&R)"), this);
    m_bySubject = new QRadioButton(QStringLiteral("按科目(&U)"), this);
    QGroupBox* orderBox = choiceBox(QStringLiteral("排序方式"), {m_byDate, m_bySubject}, this);

    auto* fields = new QGridLayout;
    fields->addWidget(m_yearLabel, 0, 0, 1, 2, Qt::AlignHCenter);
    fields->addWidget(codeLabel, 1, 0);
    fields->addLayout(codeRow, 1, 1);
    fields->addWidget(summaryLabel, 2, 0);
    fields->addWidget(m_summary, 2, 1);
    fields->addWidget(summaryHint, 3, 1);
    fields->addWidget(amountLabel, 4, 0);
    fields->addLayout(amountRow, 4, 1);
    fields->addWidget(amountHint, 5, 1);
    fields->addWidget(spanLabel, 6, 0);
    fields->addLayout(spanRow, 6, 1);
    fields->addWidget(sideBox, 7, 0, 1, 2);
    fields->addWidget(orderBox, 8, 0, 1, 2);
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

    connect(m_browse, &QPushButton::clicked, this, &CSearchConditionDlg::browse);
    connect(m_confirm, &QPushButton::clicked, this, &CSearchConditionDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The conditions given come back; months that are none give the whole year.
    const bool spanSet = m_conditions.startMonth >= 1 && m_conditions.startMonth <= 12 && m_conditions.endMonth >= 1
                         && m_conditions.endMonth <= 12;
    m_code->setText(qtText(m_conditions.code));
    m_summary->setText(qtText(m_conditions.summary));
    m_amount->setText(qtText(m_conditions.amount));
    m_amount2->setText(qtText(m_conditions.amount2));
    m_startMonth->setText(spanSet ? monthText(m_conditions.startMonth) : QStringLiteral("1"));
    m_endMonth->setText(spanSet ? monthText(m_conditions.endMonth) : QStringLiteral("12"));
    switch (m_conditions.side) {
    case SearchSide::Debit: m_debit->setChecked(true); break;
    case SearchSide::Credit: m_credit->setChecked(true); break;
    default: m_bothSides->setChecked(true); break;
    }
    (m_conditions.order == SearchOrder::BySubject ? m_bySubject : m_byDate)->setChecked(true);
    focusField(m_code);
}

QWidget* CSearchConditionDlg::fieldWidget(SearchField field) const
{
    switch (field) {
    case SearchField::Code: return m_code;
    case SearchField::Summary: return m_summary;
    case SearchField::Amount: return m_amount;
    case SearchField::Amount2: return m_amount2;
    case SearchField::Side:
        return m_debit->isChecked() ? m_debit : m_credit->isChecked() ? m_credit : m_bothSides;
    case SearchField::StartMonth: return m_startMonth;
    case SearchField::EndMonth: return m_endMonth;
    case SearchField::Order: return m_bySubject->isChecked() ? m_bySubject : m_byDate;
    }
    return m_code;
}

void CSearchConditionDlg::focusField(QWidget* field)
{
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

void CSearchConditionDlg::browse()
{
    const std::optional<QString> chosen =
        CSubjectQueryDlg::lookUpSubject(m_env.db(), m_prompt, m_code->text().trimmed(), this);
    if (chosen)
        m_code->setText(*chosen);
    focusField(m_code);
}

SearchConditions CSearchConditionDlg::typed() const
{
    SearchConditions c;
    c.code = trimWhitespace(m_code->text().toStdString());
    c.summary = trimWhitespace(m_summary->text().toStdString());
    c.amount = trimWhitespace(m_amount->text().toStdString());
    c.amount2 = trimWhitespace(m_amount2->text().toStdString());
    c.side = m_debit->isChecked() ? SearchSide::Debit : m_credit->isChecked() ? SearchSide::Credit : SearchSide::Both;
    c.startMonth = fieldNumber(m_startMonth);
    c.endMonth = fieldNumber(m_endMonth);
    c.order = m_bySubject->isChecked() ? SearchOrder::BySubject : SearchOrder::ByDate;
    return c;
}

void CSearchConditionDlg::confirm()
{
    const SearchConditions conditions = typed();
    std::optional<SearchRefusal> refusal;
    try {
        refusal = checkSearchConditions(m_env.db(), conditions);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_env.db());
        return;
    }
    if (refusal) {
        m_prompt.warn(refusal->message);
        focusField(fieldWidget(refusal->field));
        return;
    }
    m_conditions = conditions;
    accept();
}

} // namespace kszw
