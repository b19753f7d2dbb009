// kszw-cli's PDF output: an application on the offscreen platform, made only when a PDF is asked
// for, and the view laid out, listed and printed as the program prints it.
#include "cli/pdf_output.h"

#include "chart/ui/subject_print_view.h"
#include "ledger/ledger_search.h"
#include "ledger/quantity_ledger.h"
#include "ledger/ui/balance_view.h"
#include "ledger/ui/multi_column_view.h"
#include "ledger/ui/quantity_view.h"
#include "ledger/ui/search_view.h"
#include "ledger/ui/three_column_view.h"
#include "ledger/ui/turnover_view.h"
#include "reports/ui/report_view.h"
#include "voucher/ui/voucher_display_view.h"
#include "voucher/ui/voucher_summary_view.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "formview/print_settings.h"
#include "formview/ui/form_printer.h"
#include "formview/view_kinds.h"
#include "session/kszw_env.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>

#include <cstdio>
#include <memory>
#include <vector>

namespace kszw::cli {

namespace {

// The toolkit's remarks about its surroundings (no runtime folder, what the offscreen platform
// cannot do) are no business of the command's user; its errors still reach stderr.
void toolkitMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// The application the widgets need, on the offscreen platform: a PDF needs no display.
std::unique_ptr<QApplication> offscreenApplication()
{
    if (QCoreApplication::instance())
        return nullptr;
    qInstallMessageHandler(toolkitMessages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "kszw-cli";
    static char* argv[] = {name, nullptr};
    auto application = std::make_unique<QApplication>(argc, argv);
    // The printed books use the Song face "宋体", as in the program.
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                        QStringLiteral("Noto Serif CJK SC"),
                                                        QStringLiteral("Noto Sans CJK SC")});
    return application;
}

void tellCannotWrite(Prompt& prompt, const std::string& path)
{
    prompt.warn("无法写入文件“" + path + "”！");
}

// Whether a PDF can be written at path; told when not.
bool canWriteAt(const QString& file, const std::string& path, Prompt& prompt)
{
    const QFileInfo target(file);
    if (!target.absoluteDir().exists() || target.isDir()) {
        tellCannotWrite(prompt, path);
        return false;
    }
    return true;
}

// Prints the view's pages to the file, replacing what was there.
bool printToFile(CKsFormView& view, const QString& file, const std::string& path, Prompt& prompt)
{
    QFile::remove(file);
    if (!exportViewToPdf(view, file, prompt))
        return false;
    // A file the system would not let the printer write is not there now.
    if (!QFileInfo(file).isFile() || QFileInfo(file).size() == 0) {
        tellCannotWrite(prompt, path);
        return false;
    }
    return true;
}

} // namespace

bool writeChartPdf(CKszwEnv& env, const std::string& root, const std::string& path, Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    if (!canWriteAt(file, path, prompt))
        return false;
    SystemClock clock;
    CKszwSubjectPrint view(env, clock);
    view.setPrompt(prompt);
    view.setSettingsKey(SettingsKey{&env.db(), viewFlag(ViewKind::ChartPrint), std::string(kDefaultFieldMode)});
    if (!view.listChart(root))
        return false;
    return printToFile(view, file, path, prompt);
}

bool writeVoucherPdf(CKszwEnv& env, const VoucherKey& key, const std::string& path, Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    if (!canWriteAt(file, path, prompt))
        return false;
    SystemClock clock;
    CKszwpz1 view(env, clock);
    view.setPrompt(prompt);
    view.showSelection({key}, DisplaySource::Single);
    if (!view.shownVoucher()) {
        prompt.warn("该凭证不存在，请按回车键退出！");
        return false;
    }
    return printToFile(view, file, path, prompt);
}

bool writeSummaryPdf(CKszwEnv& env, const SummarySelection& selection, const std::string& parent,
                     const std::string& path, Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    if (!canWriteAt(file, path, prompt))
        return false;
    SystemClock clock;
    CKszwpz2 view(env, clock);
    view.setPrompt(prompt);
    view.showSummary(selection);
    if (!view.isShown())
        return false;
    // Down to parent the way a user gets there: opening its ancestors' rows one level at a time.
    std::vector<std::string> ancestors;
    for (std::string code = parent; !code.empty(); code = summaryParentUp(code))
        ancestors.insert(ancestors.begin(), code);
    for (const std::string& code : ancestors) {
        const std::vector<SummaryRow>& rows = view.summary().rows;
        int row = 0;
        while (row < static_cast<int>(rows.size()) && rows[static_cast<size_t>(row)].code != code)
            ++row;
        if (row == static_cast<int>(rows.size()) || !view.openRow(row)) {
            prompt.warn("科目“" + parent + "”不存在或没有子科目！");
            return false;
        }
    }
    return printToFile(view, file, path, prompt);
}

bool writeLedgerPdf(CKszwEnv& env, const LedgerSpan& span, LedgerMode mode, const std::string& path, Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    if (!canWriteAt(file, path, prompt))
        return false;
    SystemClock clock;
    CKszwzb1 view(env, clock);
    view.setPrompt(prompt);
    view.setAccount(span.code);
    view.setPeriod(span.startMonth, span.endMonth);
    view.setMode(mode);
    view.LoadLedger();
    // A detail ledger prints its copy with the carry rows at the page breaks.
    view.OnBeginPrinting();
    const bool written = printToFile(view, file, path, prompt);
    view.OnEndPrinting();
    return written;
}

bool writeBalancePdf(CKszwEnv& env, const BalanceConditions& conditions, const std::string& path, Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    if (!canWriteAt(file, path, prompt))
        return false;
    SystemClock clock;
    CKszwzb5 view(env, clock);
    view.setPrompt(prompt);
    if (!view.setConditions(conditions))
        return false;
    return printToFile(view, file, path, prompt);
}

bool writeTurnoverPdf(CKszwEnv& env, const TurnoverConditions& conditions, const std::string& path, Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    if (!canWriteAt(file, path, prompt))
        return false;
    SystemClock clock;
    CKszwzb6 view(env, clock);
    view.setPrompt(prompt);
    if (!view.setConditions(conditions))
        return false;
    return printToFile(view, file, path, prompt);
}

bool writeMultiColumnPdf(CKszwEnv& env, const LedgerSpan& span, bool detail, const std::string& path, Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    if (!canWriteAt(file, path, prompt))
        return false;
    SystemClock clock;
    CKszwzb2 view(env, clock);
    view.setPrompt(prompt);
    view.setAccount(span.code);
    view.setPeriod(span.startMonth, span.endMonth);
    view.setDetail(detail);
    if (!view.LoadLedger())
        return false;
    view.OnBeginPrinting();
    const bool written = printToFile(view, file, path, prompt);
    view.OnEndPrinting();
    return written;
}

bool writeQuantityPdf(CKszwEnv& env, const LedgerSpan& span, QuantityKind kind, const std::string& path,
                      Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    if (!canWriteAt(file, path, prompt))
        return false;
    SystemClock clock;
    CKszwzb3 view(env, clock, kind);
    view.setPrompt(prompt);
    view.setAccount(span.code);
    view.setPeriod(span.startMonth, span.endMonth);
    view.LoadLedger();
    view.OnBeginPrinting();
    const bool written = printToFile(view, file, path, prompt);
    view.OnEndPrinting();
    return written;
}

bool writeSearchPdf(CKszwEnv& env, const SearchConditions& conditions, const std::string& path, Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    if (!canWriteAt(file, path, prompt))
        return false;
    SystemClock clock;
    CKszwzb7 view(env, clock);
    view.setPrompt(prompt);
    if (!view.setConditions(conditions))
        return false;
    return printToFile(view, file, path, prompt);
}

bool writeReportPdf(CKszwEnv& env, const ReportDefinition& definition, int month, const std::string& path,
                    Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    const QString file = QString::fromStdString(path);
    if (!canWriteAt(file, path, prompt))
        return false;
    SystemClock clock;
    CKszwReportView view(env, clock);
    view.setPrompt(prompt);
    if (!view.setReport(definition, month))
        return false;
    return printToFile(view, file, path, prompt);
}

int ledgerRowsPerPrintedPage(CKszwEnv& env, Prompt& prompt)
{
    const std::unique_ptr<QApplication> application = offscreenApplication();
    SystemClock clock;
    CKszwzb1 view(env, clock);
    view.setPrompt(prompt);
    return rowsPerPrintedPage(view);
}

} // namespace kszw::cli
