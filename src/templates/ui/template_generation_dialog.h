// The dialog 利用凭证分录模板生成凭证: the operator picks a voucher entry template, its lines are
// evaluated for the voucher being made (all at once, or one per press with 逐条暂停), and on
// 确认(&S) the lines that kept an amount are typed into the entry view at its current row. The
// run itself — the checks before it, rounding, dropping zero lines, totals — is the core's
// TemplateRun; this file shows it and hands its result to the view.
#pragma once

#include "store/accounting_calendar.h"
#include "templates/template_generation.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace kszw {

class CKszwpz;
class Database;
struct Prompt;

class CTemplateGenerationDlg : public QDialog {
    Q_OBJECT
public:
    // Over the open year file (fileName is its name, as zw() answers it), for a voucher dated
    // voucherDate (YYYYMMDD; anything else stops the run with the date message).
    CTemplateGenerationDlg(Database& db, Prompt& prompt, const AccountingCalendar& calendar, std::string fileName,
                           std::string voucherDate, QWidget* parent = nullptr);
    ~CTemplateGenerationDlg() override;

    // The lines the voucher receives after 确认(&S): evaluated, not failed, not zero.
    std::vector<GeneratedLine> keptLines() const;

    QListWidget* templateList() const { return m_templates; }
    QCheckBox* pauseBox() const { return m_pause; }
    QTreeWidget* resultList() const { return m_results; }
    QPushButton* runButton() const { return m_run; }
    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* totalsLabel() const { return m_totals; }
    // "已计算3条分录，共7条；2条结果为零，不生成。"
    QLabel* progressLabel() const { return m_progress; }

public slots:
    // The default button: 开始(&S) starts the run, 继续(&S) evaluates the next line, 确认(&S)
    // closes with confirmation.
    void press();

private:
    enum class Stage { Before, Running, Done };

    void loadTemplates();
    void startRun();
    void stepRun(bool all);
    void confirm();
    // The result list, the totals and the button as the run stands.
    void showRun();
    // Tells the evaluator's message of each line that failed since the last call.
    void tellFailures(size_t from);

    Database& m_db;
    Prompt& m_prompt;
    std::unique_ptr<TemplateRun> m_state;
    Stage m_stage = Stage::Before;

    QListWidget* m_templates = nullptr;
    QCheckBox* m_pause = nullptr;
    QTreeWidget* m_results = nullptr;
    QLabel* m_totals = nullptr;
    QLabel* m_progress = nullptr;
    QPushButton* m_run = nullptr;
    QPushButton* m_cancel = nullptr;
};

// 利用凭证分录模板生成凭证 in an entry view: the dialog for the date in the view's head; after
// 确认(&S) the kept lines are typed into the view at its current row (summary, subject, and the
// amount in the debit or credit column by direction). The voucher is not saved.
void generateFromTemplate(CKszwpz& view, Prompt& prompt, const std::string& fileName);

} // namespace kszw
