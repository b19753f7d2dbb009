// The ids of the program's commands: the main menu, the toolbar and the commands every view
// handles (print, save, copy …). Plain numbers, so core and widgets of any folder can name them.
#pragma once

namespace kszw {

namespace cmd {
inline constexpr int kSave = 3001;
inline constexpr int kNewVoucher = 3002;
inline constexpr int kDeleteRow = 3006;
inline constexpr int kPageSetup = 915;
inline constexpr int kCalculator = 916;
inline constexpr int kLogin = 40018;
inline constexpr int kPassword = 40019;
inline constexpr int kVoucherQuery = 32771;
inline constexpr int kVoucherSummary = 32772;
inline constexpr int kVoucherEntry = 32773;
inline constexpr int kVoucherReview = 32774;
inline constexpr int kMonthClose = 32775;
inline constexpr int kVoucherClasses = 32776;
inline constexpr int kTemplateDirectory = 32777;
inline constexpr int kTemplateEntries = 32778;
inline constexpr int kTemplateVariables = 32846;
inline constexpr int kThreeColumnLedger = 32779;
inline constexpr int kMultiColumnLedger = 32780;
inline constexpr int kQuantityLedger = 32781;
inline constexpr int kCurrencyLedger = 32782;
inline constexpr int kBalanceTable = 40020;
inline constexpr int kTurnoverTable = 40021;
inline constexpr int kFuzzyQuery = 40022;
inline constexpr int kSubjectQuery = 40023;
inline constexpr int kSubjectPrint = 40024;
inline constexpr int kSubjectSetup = 40025;
inline constexpr int kOpeningBalances = 40026;
inline constexpr int kCurrencies = 40027;
inline constexpr int kExchangeRates = 40028;
inline constexpr int kOperators = 40030;
inline constexpr int kNewYear = 40031;
inline constexpr int kCarryForward = 40032;
inline constexpr int kCopySets = 40033;
inline constexpr int kNewAccountSet = 40029;
inline constexpr int kAccountSetInfo = 40034;
inline constexpr int kTemplateVoucher = 32845;
inline constexpr int kNextFreeNumber = 32828;
inline constexpr int kLargestFreeNumber = 32821;
inline constexpr int kSubjectLookup = 32826;
// The voucher display view's next voucher (Ctrl+PageDown) and review or cancel (F3).
inline constexpr int kNextVoucher = 40017;
inline constexpr int kReviewToggle = 32842;
// Writes every page of the active view to a PDF file.
inline constexpr int kExportPdf = 32901;
// Writes the active view's table to a CSV file (UTF-8) or an Excel workbook (XLSX).
inline constexpr int kExportCsv = 32902;
inline constexpr int kExportXlsx = 32903;
// Reads vouchers from a CSV file of the import format, after a preview.
inline constexpr int kImportVouchers = 32904;
// A copy of the open year file or of the whole account set, and taking one back.
inline constexpr int kBackup = 40035;
inline constexpr int kRestore = 40036;
// The financial statements and their definitions.
inline constexpr int kFinancialReport = 40037;
inline constexpr int kReportDefinition = 40038;
// Framework commands.
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kClose = 57602;
inline constexpr int kPrintSetup = 57606;
inline constexpr int kPrint = 57607;
inline constexpr int kPrintPreview = 57609;
inline constexpr int kCopy = 57634;
inline constexpr int kCut = 57635;
inline constexpr int kPaste = 57637;
inline constexpr int kUndo = 57643;
inline constexpr int kRedo = 57644;
inline constexpr int kNewWindow = 57648;
inline constexpr int kArrangeIcons = 57649;
inline constexpr int kCascade = 57650;
inline constexpr int kTile = 57651;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kHelpTopics = 57667;
inline constexpr int kContextHelp = 57669;
inline constexpr int kToolBar = 59392;
inline constexpr int kStatusBar = 59393;
} // namespace cmd

} // namespace kszw
