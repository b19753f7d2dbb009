// kszw-cli's PDF output: the printed pages of a view, drawn by the view's own printing code on the
// offscreen platform. Only the PDF format needs the widgets; the text formats never start them.
#pragma once

#include <string>

namespace kszw {
class CKszwEnv;
struct Prompt;
struct SummarySelection;
struct VoucherKey;
struct LedgerSpan;
enum class LedgerMode;
struct BalanceConditions;
struct TurnoverConditions;
struct SearchConditions;
enum class QuantityKind;
struct ReportDefinition;
} // namespace kszw

namespace kszw::cli {

// Writes every printed page of the chart print view listing the subjects below root ("" for the
// whole chart) to a PDF file, with the year file's print settings of that view and the logged-in
// operator in its foot line. False when the file could not be written (the reason told).
bool writeChartPdf(CKszwEnv& env, const std::string& root, const std::string& path, Prompt& prompt);

// Writes one stored voucher as the voucher display view prints it: a voucher with more lines
// than a page holds goes on over several pages with running totals.
bool writeVoucherPdf(CKszwEnv& env, const VoucherKey& key, const std::string& path, Prompt& prompt);

// Writes the voucher summary of a selection, below parent ("" for the top level), as the summary
// view prints it.
bool writeSummaryPdf(CKszwEnv& env, const SummarySelection& selection, const std::string& parent,
                     const std::string& path, Prompt& prompt);

// The three-column ledger, the balance table and the balance-and-turnover table as their views
// print them (a detail ledger with its carry rows at the page breaks).
bool writeLedgerPdf(CKszwEnv& env, const LedgerSpan& span, LedgerMode mode, const std::string& path, Prompt& prompt);
bool writeBalancePdf(CKszwEnv& env, const BalanceConditions& conditions, const std::string& path, Prompt& prompt);
bool writeTurnoverPdf(CKszwEnv& env, const TurnoverConditions& conditions, const std::string& path, Prompt& prompt);
// The multi-column, quantity-amount and foreign-currency ledgers and the ledger search as their
// views print them.
bool writeMultiColumnPdf(CKszwEnv& env, const LedgerSpan& span, bool detail, const std::string& path, Prompt& prompt);
bool writeQuantityPdf(CKszwEnv& env, const LedgerSpan& span, QuantityKind kind, const std::string& path,
                      Prompt& prompt);
bool writeSearchPdf(CKszwEnv& env, const SearchConditions& conditions, const std::string& path, Prompt& prompt);
// A financial statement of an accounting month as the report view prints it (A4 portrait unless
// the file's print settings of the view say otherwise).
bool writeReportPdf(CKszwEnv& env, const ReportDefinition& definition, int month, const std::string& path,
                    Prompt& prompt);
// The body rows a printed page of the three-column ledger holds with the file's print settings.
int ledgerRowsPerPrintedPage(CKszwEnv& env, Prompt& prompt);

} // namespace kszw::cli
