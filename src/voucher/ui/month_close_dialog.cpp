// The month-end close dialog: its texts and buttons, and 确认 running the close of the core.
#include "voucher/ui/month_close_dialog.h"

#include "common/clock.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "session/kszw_env.h"
#include "store/backup.h"
#include "store/database_error.h"
#include "store/error_messages.h"
#include "voucher/month_close.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace kszw {

namespace {

// The close's own prompt, which offers a backup of the year once the close is confirmed: after Yes
// to the last question (of a month with vouchers or of an empty one) and before the close writes
// anything. Cancel answers that question No.
class BackupOfferingPrompt : public Prompt {
public:
    BackupOfferingPrompt(Prompt& inner, CKszwEnv& env) : m_inner(inner), m_env(env) {}

    void tell(std::string_view text, Icon icon, std::string_view caption) override
    {
        m_inner.tell(text, icon, caption);
    }
    Answer ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
               std::string_view caption) override
    {
        const Answer answer = m_inner.ask(text, buttons, defaultButton, icon, caption);
        const bool lastQuestion = text == kCloseQuestion || text == kEmptyMonthQuestion;
        if (answer == Answer::Yes && lastQuestion
            && offerBackupFirst(m_env.db(), m_env.year(), SystemClock(), m_inner) == BackupOffer::Cancelled)
            return Answer::No;
        return answer;
    }

private:
    Prompt& m_inner;
    CKszwEnv& m_env;
};

} // namespace

CMonthCloseDlg::CMonthCloseDlg(CKszwEnv& env, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt)
{
    setWindowTitle(qtText(kMessageCaption));
    try {
        const MonthToClose next = monthToClose(m_env.db());
        if (next.month > 12) {
            // Every month of the year is closed: there is nothing to offer.
            m_env.setClosedMonths(12);
            m_prompt.tell(kAllMonthsClosed, Icon::Stop, kMessageCaption);
        } else {
            m_monthLabel = qtText(next.label);
            m_monthRead = true;
        }
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, m_env.db().path()));
    }

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);
    m_warning = new QLabel(displayText(kCloseWarning), this);
    m_month = new QLabel(qtText(kCloseMonthCaption) + m_monthLabel, this);
    m_careful = new QLabel(qtText(kCloseCareful), this);
    QFont strong = m_month->font();
    strong.setBold(true);
    m_month->setFont(strong);

    // 取消 is the default: Enter alone leaves the month open, as Escape does.
    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_confirm->setAutoDefault(false);
    m_confirm->setEnabled(m_monthRead);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_cancel->setDefault(true);
    connect(m_confirm, &QPushButton::clicked, this, &CMonthCloseDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_warning);
    texts->addSpacing(m_warning->fontMetrics().height());
    texts->addWidget(m_month);
    texts->addSpacing(m_warning->fontMetrics().height() / 2);
    texts->addWidget(m_careful);
    texts->addStretch();
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon);
    layout->addSpacing(8);
    layout->addLayout(texts, 1);
    layout->addSpacing(16);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_cancel->setFocus();
}

int CMonthCloseDlg::exec()
{
    if (!m_monthRead) {
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void CMonthCloseDlg::confirm()
{
    if (!m_monthRead) {
        reject();
        return;
    }
    // Every outcome closes the dialog: closed, refused, answered No, or an engine error.
    bool closed = false;
    try {
        int closedMonths = m_env.closedMonths();
        BackupOfferingPrompt prompt(m_prompt, m_env);
        closed = closeMonth(m_env.db(), prompt, closedMonths);
        if (closed)
            m_env.setClosedMonths(closedMonths);
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, m_env.db().path()));
    }
    done(closed ? QDialog::Accepted : QDialog::Rejected);
}

} // namespace kszw
