// The period dialog: its layout, Enter from field to field, and the months handed to the core's
// checks on confirmation.
#include "ledger/ui/period_dialog.h"

#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "ledger/ledger_conventions.h"
#include "ledger/three_column_ledger.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cctype>
#include <string>

namespace kszw {

namespace {

constexpr int kMonthDigits = 2;

bool sixDigits(std::string_view code)
{
    if (code.size() != 6)
        return false;
    for (char c : code)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// A month field's number: 0 when it holds none (refused by the checks like any month out of range).
int monthOf(const CSpecEdit& field)
{
    bool ok = false;
    const int month = field.text().trimmed().toInt(&ok);
    return ok ? month : 0;
}

// A field wide enough for that many digits of its font.
void sizeForDigits(QLineEdit* field, int digits)
{
    const QFontMetrics metrics(field->font());
    field->setFixedWidth(metrics.horizontalAdvance(QString(digits, QLatin1Char('0'))) + 16);
}

} // namespace

std::string LedgerPeriod::startCode() const
{
    return std::to_string(year * 100 + startMonth);
}

std::string LedgerPeriod::endCode() const
{
    return std::to_string(year * 100 + endMonth);
}

std::string LedgerPeriod::title() const
{
    return periodTitle(year, startMonth, year, endMonth);
}

std::optional<LedgerPeriod> periodFromCodes(std::string_view startCode, std::string_view endCode)
{
    if (!sixDigits(startCode) || !sixDigits(endCode))
        return std::nullopt;
    LedgerPeriod period;
    period.year = std::stoi(std::string(startCode.substr(0, 4)));
    period.startMonth = std::stoi(std::string(startCode.substr(4, 2)));
    period.endMonth = std::stoi(std::string(endCode.substr(4, 2)));
    return period;
}

CPeriodDlg::CPeriodDlg(const LedgerPeriod& period, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_period(period)
{
    setWindowTitle(QStringLiteral("请输入时间段"));

    m_yearLabel = new QLabel(QStringLiteral("%1 年").arg(period.year), this);
    m_start = new CSpecEdit(this);
    m_end = new CSpecEdit(this);
    for (CSpecEdit* field : {m_start, m_end}) {
        field->SetInputSpec(QStringLiteral("NUMBER 1 12"), kMonthDigits, 0);
        field->setAlignment(Qt::AlignRight);
        sizeForDigits(field, kMonthDigits + 1);
        field->installEventFilter(this);
    }
    m_start->setText(QString::number(period.startMonth));
    m_end->setText(QString::number(period.endMonth));

    auto* yearCaption = new QLabel(QStringLiteral("年份："), this);
    auto* startCaption = new QLabel(QStringLiteral("起始月(&B)："), this);
    startCaption->setBuddy(m_start);
    auto* endCaption = new QLabel(QStringLiteral("终止月(&E)："), this);
    endCaption->setBuddy(m_end);

    auto* fields = new QGridLayout;
    fields->addWidget(yearCaption, 0, 0);
    fields->addWidget(m_yearLabel, 0, 1);
    fields->addWidget(startCaption, 1, 0);
    auto* start = new QHBoxLayout;
    start->addWidget(m_start);
    start->addWidget(new QLabel(QStringLiteral("月"), this));
    start->addStretch(1);
    fields->addLayout(start, 1, 1);
    fields->addWidget(endCaption, 2, 0);
    auto* end = new QHBoxLayout;
    end->addWidget(m_end);
    end->addWidget(new QLabel(QStringLiteral("月"), this));
    end->addStretch(1);
    fields->addLayout(end, 2, 1);
    fields->setColumnStretch(1, 1);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    auto* cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_confirm->setAutoDefault(false);
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_confirm, &QPushButton::clicked, this, &CPeriodDlg::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    focusField(m_start);
}

std::optional<LedgerPeriod> CPeriodDlg::askPeriod(const LedgerPeriod& period, Prompt& prompt, QWidget* parent)
{
    CPeriodDlg dialog(period, prompt, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.period();
}

void CPeriodDlg::focusField(CSpecEdit* field)
{
    field->setFocus();
    field->selectAll();
}

void CPeriodDlg::confirm()
{
    const int startMonth = monthOf(*m_start);
    const int endMonth = monthOf(*m_end);
    if (const std::optional<PeriodRefusal> refusal = checkPeriodMonths(startMonth, endMonth)) {
        m_prompt.tell(refusal->message, Icon::Stop, kMessageCaption);
        focusField(refusal->field == 0 ? m_start : m_end);
        return;
    }
    m_period.startMonth = startMonth;
    m_period.endMonth = endMonth;
    accept();
}

bool CPeriodDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Enter moves from the start month to the end month, and from there confirms.
        if (enter && watched == m_start) {
            focusField(m_end);
            return true;
        }
        if (enter && watched == m_end) {
            confirm();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
