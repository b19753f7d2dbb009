// The new-year carry-forward dialog: its fields and check boxes, the rule that balances need a
// chart, the two questions of 确认 and the run with its progress display. A 10-millisecond timer
// draws the progress the run reports; it is stopped while a message box of the run is shown.
#include "accountset/ui/carry_forward_dialog.h"

#include "accountset/carry_forward.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "common/clock.h"
#include "session/kszw_env.h"
#include "store/backup.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

namespace kszw {

namespace {

constexpr int kRepaintMilliseconds = 10;

// Stops a running timer for its lifetime and starts it again afterwards.
class TimerPause {
public:
    explicit TimerPause(QTimer& timer) : m_timer(timer), m_wasActive(timer.isActive()) { m_timer.stop(); }
    ~TimerPause()
    {
        if (m_wasActive)
            m_timer.start();
    }
    TimerPause(const TimerPause&) = delete;
    TimerPause& operator=(const TimerPause&) = delete;

private:
    QTimer& m_timer;
    bool m_wasActive;
};

// The prompt handed to the run: the progress reached is drawn before a message is shown, and the
// progress timer rests while it is shown.
class TimerPausingPrompt : public Prompt {
public:
    TimerPausingPrompt(Prompt& inner, QTimer& timer, std::function<void()> drawProgress)
        : m_inner(inner), m_timer(timer), m_drawProgress(std::move(drawProgress))
    {
    }

    void tell(std::string_view text, Icon icon, std::string_view caption) override
    {
        const TimerPause pause(m_timer);
        m_drawProgress();
        m_inner.tell(text, icon, caption);
    }
    Answer ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
               std::string_view caption) override
    {
        const TimerPause pause(m_timer);
        m_drawProgress();
        return m_inner.ask(text, buttons, defaultButton, icon, caption);
    }

private:
    Prompt& m_inner;
    QTimer& m_timer;
    std::function<void()> m_drawProgress;
};

// A display field: a sunken box holding a text.
QLabel* displayField(const QString& text, QWidget* parent)
{
    auto* field = new QLabel(text, parent);
    field->setTextFormat(Qt::PlainText);
    field->setFrameShape(QFrame::StyledPanel);
    field->setFrameShadow(QFrame::Sunken);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return field;
}

QString yearText(int year)
{
    return QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
}

// Yes/No with No as the default, as both confirmation questions of 确认 are asked.
bool confirmed(Prompt& prompt, std::string_view question)
{
    return prompt.ask(question, Buttons::YesNo, Answer::No, Icon::Exclamation, kMessageCaption) == Answer::Yes;
}

} // namespace

CCarryForwardDlg::CCarryForwardDlg(CKszwEnv& env, CYearCarryForward& carry, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_env(env), m_carry(carry), m_prompt(prompt)
{
    const QString heading = QStringLiteral("年度帐务数据结转");
    setWindowTitle(heading);

    auto* title = new QLabel(heading, this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    m_unit = displayField(qtText(carry.unitName()), this);
    m_earlierYear = displayField(yearText(carry.earlierYear()), this);
    m_currentYear = displayField(yearText(carry.currentYear()), this);
    const int yearWidth = m_earlierYear->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 8;
    m_earlierYear->setMinimumWidth(yearWidth);
    m_currentYear->setMinimumWidth(yearWidth);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("帐  套:"), this), 0, 0);
    fields->addWidget(m_unit, 0, 1, 1, 4);
    fields->addWidget(new QLabel(QStringLiteral("上年度:"), this), 1, 0);
    fields->addWidget(m_earlierYear, 1, 1);
    fields->addItem(new QSpacerItem(16, 0), 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("本年度:"), this), 1, 3);
    fields->addWidget(m_currentYear, 1, 4);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(4, 1);

    auto* items = new QGroupBox(this);
    m_chart = new QCheckBox(QStringLiteral("会计科目表"), items);
    m_classes = new QCheckBox(QStringLiteral("凭证分类表"), items);
    m_templates = new QCheckBox(QStringLiteral("分录模板"), items);
    m_pairs = new QCheckBox(QStringLiteral("多借多贷限制"), items);
    m_balances = new QCheckBox(QStringLiteral("帐户余额"), items);
    auto* itemsLayout = new QGridLayout(items);
    itemsLayout->addWidget(m_chart, 0, 0);
    itemsLayout->addWidget(m_classes, 1, 0);
    itemsLayout->addWidget(m_templates, 2, 0);
    itemsLayout->addWidget(m_pairs, 0, 1);
    itemsLayout->addWidget(m_balances, 1, 1);
    itemsLayout->setHorizontalSpacing(32);
    for (QCheckBox* box : {m_chart, m_classes, m_templates, m_pairs, m_balances})
        box->setChecked(true);
    // Balances are carried onto subjects: without a chart of its own the year needs the earlier one.
    connect(m_balances, &QCheckBox::toggled, this, [this](bool ticked) {
        if (ticked && !m_carry.currentHadChart())
            m_chart->setChecked(true);
    });

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_confirm->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_cancel->setAutoDefault(false);
    connect(m_confirm, &QPushButton::clicked, this, &CCarryForwardDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &CCarryForwardDlg::reject);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(items, 1);
    middle->addSpacing(8);
    middle->addLayout(buttons);

    m_status = displayField(qtText(kChooseItems), this);
    m_status->setMinimumWidth(m_status->fontMetrics().horizontalAdvance(QString(30, QChar(0x4e00))));
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addSpacing(6);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addLayout(middle);
    layout->addSpacing(6);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_repaintTimer = new QTimer(this);
    m_repaintTimer->setInterval(kRepaintMilliseconds);
    connect(m_repaintTimer, &QTimer::timeout, this, &CCarryForwardDlg::showProgress);

    m_chart->setFocus();
}

void CCarryForwardDlg::openCarryForward(CKszwEnv& env, Prompt& prompt, QWidget* parent)
{
    try {
        CYearCarryForward carry(env);
        if (const std::optional<std::string> refusal = carry.open()) {
            prompt.warn(*refusal);
            return;
        }
        CCarryForwardDlg dialog(env, carry, prompt, parent);
        dialog.exec();
        carry.close();
    } catch (const DatabaseError& error) {
        prompt.warn(userMessage(error, env.db().path()));
    }
}

CarrySelection CCarryForwardDlg::selection() const
{
    CarrySelection chosen;
    chosen.chart = m_chart->isChecked();
    chosen.classes = m_classes->isChecked();
    chosen.templates = m_templates->isChecked();
    chosen.pairs = m_pairs->isChecked();
    chosen.balances = m_balances->isChecked();
    return chosen;
}

void CCarryForwardDlg::confirm()
{
    if (m_running)
        return;
    const CarrySelection chosen = selection();
    if (!chosen.any()) {
        m_prompt.warn(kNothingSelected);
        m_chart->setFocus();
        return;
    }
    if (!confirmed(m_prompt, CYearCarryForward::selectionQuestion(chosen)))
        return;

    setStatus(qtText(kChecking));
    setControlsEnabled(false);
    bool carry = false;
    try {
        carry = confirmed(m_prompt, m_carry.checkReport(chosen));
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, m_env.db().path()));
    }
    // The year is about to change for good: a backup of it first, when the user wants one.
    if (carry && offerBackupFirst(m_env.db(), m_env.year(), SystemClock(), m_prompt) == BackupOffer::Cancelled)
        carry = false;
    if (!carry) {
        setStatus(qtText(kChooseItems));
        setControlsEnabled(true);
        return;
    }

    setStatus(qtText(kCarrying));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progressChanged = false;

    // The run's state ends with the run, however it ends.
    struct RunGuard {
        CCarryForwardDlg& dialog;
        explicit RunGuard(CCarryForwardDlg& d) : dialog(d)
        {
            dialog.m_running = true;
            dialog.m_repaintTimer->start();
        }
        ~RunGuard()
        {
            dialog.m_repaintTimer->stop();
            dialog.m_running = false;
        }
    };

    std::string result;
    std::optional<std::string> failure;
    {
        const RunGuard guard(*this);
        TimerPausingPrompt runPrompt(m_prompt, *m_repaintTimer, [this] { showProgress(); });
        try {
            result = m_carry.run(chosen, runPrompt, [this](const CarryProgress& progress) {
                m_progressStatus = displayText(progress.status);
                m_progressDone = progress.done;
                m_progressTotal = progress.total;
                m_progressChanged = true;
                // Lets the timer fire; the user's input waits until the run is over.
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
        } catch (const DatabaseError& error) {
            failure = userMessage(error, m_env.db().path());
        }
    }

    if (failure) {
        // The core left the year as it was before the run: the dialog offers it again.
        m_prompt.warn(*failure);
        m_progressChanged = false;
        m_progress->setValue(0);
        setStatus(qtText(kChooseItems));
        setControlsEnabled(true);
        return;
    }
    showProgress();
    for (QCheckBox* box : {m_chart, m_classes, m_templates, m_pairs, m_balances})
        box->setChecked(false);
    setControlsEnabled(true);
    m_prompt.tell(result, Icon::Information, kMessageCaption);
    accept();
}

void CCarryForwardDlg::reject()
{
    if (m_running)
        return;
    QDialog::reject();
}

void CCarryForwardDlg::setControlsEnabled(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*>{m_chart, m_classes, m_templates, m_pairs, m_balances,
                                                            m_confirm, m_cancel})
        control->setEnabled(enabled);
    if (enabled)
        m_confirm->setFocus();
}

void CCarryForwardDlg::setStatus(const QString& text)
{
    m_status->setText(text);
    m_status->repaint();
}

void CCarryForwardDlg::showProgress()
{
    if (!m_progressChanged)
        return;
    m_progressChanged = false;
    const int total = std::max(m_progressTotal, 1);
    m_status->setText(m_progressStatus);
    m_progress->setRange(0, total);
    m_progress->setValue(std::clamp(m_progressDone, 0, total));
    m_status->repaint();
    m_progress->repaint();
}

} // namespace kszw
