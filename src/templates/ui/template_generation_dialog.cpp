// The generation dialog: the template list, the result list, the button cycle 开始 → 继续 → 确认,
// and handing the kept lines to the entry view.
#include "templates/ui/template_generation_dialog.h"

#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formula/format_number.h"
#include "ledger/ledger_conventions.h"
#include "store/database.h"
#include "store/database_error.h"
#include "voucher/ui/voucher_entry_view.h"
#include "voucher/voucher.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <filesystem>

namespace kszw {

namespace {

constexpr int kTemplateNumberRole = Qt::UserRole;

enum ResultColumn { kItem, kSummary, kSubject, kDirection, kFormula, kAmount, kResult, kResultColumns };

QString amountText(double amount)
{
    return qtText(FormatNumber(amount, 0, 2, 2));
}

} // namespace

CTemplateGenerationDlg::CTemplateGenerationDlg(Database& db, Prompt& prompt, const AccountingCalendar& calendar,
                                               std::string fileName, std::string voucherDate, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt),
      m_state(std::make_unique<TemplateRun>(db, calendar, std::move(fileName), std::move(voucherDate)))
{
    setWindowTitle(QStringLiteral("利用凭证分录模板生成凭证"));

    auto* directoryCaption = new QLabel(QStringLiteral("凭证分录模板目录"), this);
    auto* heading = new QLabel(QStringLiteral("序号    凭证分录模板名称"), this);
    m_templates = new QListWidget(this);
    const QFont fixed = chartFixedFont(font());
    heading->setFont(fixed);
    m_templates->setFont(fixed);
    sizeLevelList(*m_templates, 8 + 40 + 2, 9);
    m_templates->setMaximumHeight(m_templates->minimumHeight());
    directoryCaption->setBuddy(m_templates);

    m_pause = new QCheckBox(QStringLiteral("逐条暂停"), this);
    m_run = new QPushButton(QStringLiteral("开始(&S)"), this);
    m_cancel = new QPushButton(QStringLiteral("取消(&X)"), this);
    m_run->setDefault(true);
    m_run->setAutoDefault(true);
    m_cancel->setAutoDefault(false);

    m_results = new QTreeWidget(this);
    m_results->setColumnCount(kResultColumns);
    m_results->setHeaderLabels({QStringLiteral("分录项"), QStringLiteral("摘  要"), QStringLiteral("科  目"),
                                QStringLiteral("方  向"), QStringLiteral("模板公式"), QStringLiteral("金  额"),
                                QStringLiteral("结果")});
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setSelectionMode(QAbstractItemView::SingleSelection);
    m_results->header()->setStretchLastSection(true);
    const int unit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[kResultColumns - 1] = {6, 18, 10, 6, 40, 14};
    for (int column = 0; column < kResultColumns - 1; ++column)
        m_results->setColumnWidth(column, widths[column] * unit + 12);
    m_results->headerItem()->setTextAlignment(kAmount, Qt::AlignRight | Qt::AlignVCenter);
    m_results->setMinimumWidth(120 * unit);
    m_results->setMinimumHeight(12 * fontMetrics().height());
    m_totals = new QLabel(this);
    m_progress = new QLabel(this);

    auto* top = new QHBoxLayout;
    auto* directory = new QVBoxLayout;
    directory->addWidget(directoryCaption);
    directory->addWidget(heading);
    directory->addWidget(m_templates);
    top->addLayout(directory, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addSpacing(directoryCaption->sizeHint().height());
    buttons->addWidget(m_run);
    buttons->addWidget(m_cancel);
    buttons->addSpacing(unit);
    buttons->addWidget(m_pause);
    buttons->addStretch(1);
    top->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_results, 1);
    auto* foot = new QHBoxLayout;
    foot->addWidget(m_totals);
    foot->addStretch(1);
    foot->addWidget(m_progress);
    layout->addLayout(foot);

    connect(m_run, &QPushButton::clicked, this, &CTemplateGenerationDlg::press);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_templates, &QListWidget::itemDoubleClicked, this, [this] {
        if (m_stage == Stage::Before)
            press();
    });

    loadTemplates();
    showRun();
    m_templates->setFocus();
}

CTemplateGenerationDlg::~CTemplateGenerationDlg() = default;

void CTemplateGenerationDlg::loadTemplates()
{
    m_templates->clear();
    try {
        for (const TemplateEntry& entry : listTemplates(m_db)) {
            auto* item = new QListWidgetItem(qtText(templateListLine(entry)), m_templates);
            item->setData(kTemplateNumberRole, entry.number);
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
    if (m_templates->count() > 0)
        m_templates->setCurrentRow(0);
}

std::vector<GeneratedLine> CTemplateGenerationDlg::keptLines() const
{
    return m_state->keptLines();
}

void CTemplateGenerationDlg::press()
{
    switch (m_stage) {
    case Stage::Before: startRun(); break;
    case Stage::Running: stepRun(false); break;
    case Stage::Done: confirm(); break;
    }
}

void CTemplateGenerationDlg::startRun()
{
    if (m_templates->count() == 0) {
        m_prompt.warn(kNoTemplates);
        return;
    }
    QListWidgetItem* chosen = m_templates->currentItem();
    if (!chosen) {
        m_templates->setCurrentRow(0);
        chosen = m_templates->currentItem();
    }
    try {
        if (const std::optional<std::string> refusal = m_state->start(chosen->data(kTemplateNumberRole).toInt())) {
            // The run does not start: the dialog stays as it was for another choice or 取消.
            m_prompt.warn(*refusal);
            m_templates->setFocus();
            return;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    m_stage = Stage::Running;
    m_templates->setEnabled(false);
    m_pause->setEnabled(false);
    if (!m_pause->isChecked())
        stepRun(true);
    else
        showRun();
    m_run->setFocus();
}

void CTemplateGenerationDlg::stepRun(bool all)
{
    const size_t before = m_state->results().size();
    try {
        if (all)
            m_state->runAll();
        else
            m_state->step();
    } catch (const DatabaseError& error) {
        // The line's data could not be read: the run cannot go on.
        showRun();
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (m_state->finished())
        m_stage = Stage::Done;
    showRun();
    tellFailures(before);
}

void CTemplateGenerationDlg::tellFailures(size_t from)
{
    const std::vector<GeneratedLine>& results = m_state->results();
    for (size_t i = from; i < results.size(); ++i)
        if (results[i].failed)
            m_prompt.warn(results[i].error);
}

void CTemplateGenerationDlg::confirm()
{
    int failed = 0;
    for (const GeneratedLine& result : m_state->results())
        failed += result.failed ? 1 : 0;
    if (failed > 0) {
        // A line without an amount would make the voucher wrong in silence: it is left out, and
        // the operator decides whether the others go in.
        const std::string question = "有" + std::to_string(failed) +
                                     "条分录的取数公式出错，这些分录不能生成。\n生成其余的分录吗？";
        if (m_prompt.ask(question, Buttons::YesNo, Answer::No, Icon::Question, kMessageCaption) != Answer::Yes)
            return;
    }
    accept();
}

void CTemplateGenerationDlg::showRun()
{
    m_results->clear();
    int item = 0;
    for (const GeneratedLine& result : m_state->results()) {
        auto* row = new QTreeWidgetItem(m_results);
        row->setText(kItem, result.failed ? QString() : QString::number(++item));
        row->setText(kSummary, qtText(result.line.summary));
        row->setText(kSubject, qtText(result.line.subject));
        row->setText(kDirection, result.line.direction == 1 ? QStringLiteral("借") : QStringLiteral("贷"));
        row->setText(kFormula, qtText(result.line.formula));
        row->setText(kAmount, result.failed ? QString() : amountText(result.amount));
        row->setTextAlignment(kAmount, Qt::AlignRight | Qt::AlignVCenter);
        if (!result.failed && result.amount < 0) // a red amount: worth a second look at the formula
            row->setForeground(kAmount, QColor(0xc0, 0x00, 0x00));
        row->setToolTip(kFormula, row->text(kFormula));
        row->setText(kResult, result.failed ? qtText(result.error) : QStringLiteral("正确"));
        if (result.failed)
            row->setForeground(kResult, QColor(0xc0, 0x00, 0x00));
        row->setToolTip(kResult, row->text(kResult));
    }
    if (m_results->topLevelItemCount() > 0)
        m_results->scrollToItem(m_results->topLevelItem(m_results->topLevelItemCount() - 1));
    QString progress;
    if (m_stage != Stage::Before) {
        progress = QStringLiteral("已计算%1条分录，共%2条").arg(m_state->evaluatedCount()).arg(m_state->lineCount());
        if (m_state->zeroCount() > 0)
            progress += QStringLiteral("；%1条结果为零，不生成").arg(m_state->zeroCount());
        progress += QStringLiteral("。");
    }
    m_progress->setText(progress);
    m_totals->setText(QStringLiteral("借方合计：%1        贷方合计：%2")
                          .arg(amountText(m_state->debitTotal()).isEmpty() ? QStringLiteral("0.00")
                                                                           : amountText(m_state->debitTotal()),
                               amountText(m_state->creditTotal()).isEmpty() ? QStringLiteral("0.00")
                                                                            : amountText(m_state->creditTotal())));
    switch (m_stage) {
    case Stage::Before: m_run->setText(QStringLiteral("开始(&S)")); break;
    case Stage::Running: m_run->setText(QStringLiteral("继续(&S)")); break;
    case Stage::Done: m_run->setText(QStringLiteral("确认(&S)")); break;
    }
}

void generateFromTemplate(CKszwpz& view, Prompt& prompt, const std::string& fileName)
{
    CVoucher& voucher = view.voucher();
    Database& db = voucher.db();
    std::string date;
    AccountingCalendar calendar(0, "", "", "031");
    try {
        // The date as the head holds it; a date the voucher could not take stops the run.
        const int checked = voucher.CheckDate(voucher.head[kHeadYear], voucher.head[kHeadMonth], voucher.head[kHeadDay]);
        if (checked == voucher_result::kOk || checked == -4)
            date = voucher.T;
        calendar = yearCalendar(db);
    } catch (const DatabaseError& error) {
        warnDatabaseError(prompt, error, db);
        return;
    }
    CTemplateGenerationDlg dialog(db, prompt, calendar, std::filesystem::path(fileName).filename().string(), date,
                                  &view);
    if (dialog.exec() != QDialog::Accepted)
        return;
    std::vector<VoucherLine> lines;
    for (const GeneratedLine& kept : dialog.keptLines()) {
        VoucherLine line;
        line[VoucherLine::Summary] = kept.line.summary;
        line[VoucherLine::Subject] = kept.line.subject;
        line[kept.line.direction == 1 ? VoucherLine::Debit : VoucherLine::Credit] =
            RemoveGroupCommas(FormatNumber(kept.amount, 0, 2, 2));
        lines.push_back(std::move(line));
    }
    if (const int refused = view.insertLinesAtCurrentRow(lines); refused > 0)
        prompt.warn("有" + std::to_string(refused) + "项生成的内容不符合凭证的输入要求，未能填入，请检查凭证！");
}

} // namespace kszw
