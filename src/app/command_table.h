// The commands of the main menu and toolbar: their ids, texts, shortcuts, the permission code
// that gates each one, and the rule that enables it.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace kszw {

// Command ids.
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
// Writes every page of the active view to a PDF file.
inline constexpr int kExportPdf = 32901;
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

// When a command is enabled.
enum class Enabling {
    Always,              // always
    Permission,          // the operator holds its permission code
    PermissionNoChild,   // the operator holds its permission code and no child window is open
    NoChild,             // no child window is open
    ByView,              // the active view decides (disabled without one)
    ChildOpen,           // a child window is open (window commands of the framework)
};

struct CommandInfo {
    int id;
    std::string_view text;       // menu text with its "&" mnemonic ("" for toolbar-only commands)
    std::string_view shortcut;   // the shortcut shown after a tab in the menu, e.g. "Ctrl+P"
    std::string_view permission; // four-digit permission code, "" when none
    Enabling enabling;
    std::string_view prompt;     // status-bar prompt, then "\n" and the tool tip
};

struct MenuInfo {
    std::string_view title;
    std::vector<int> items; // command ids in order; 0 is a separator
};

// Every command the main window knows.
std::span<const CommandInfo> allCommands();
// The command of an id; nullptr when there is none.
const CommandInfo* findCommand(int id);
// The main menu in order.
const std::vector<MenuInfo>& mainMenu();
// The toolbar buttons in order; 0 is a separator.
const std::vector<int>& toolbarButtons();

// Whether a command is enabled: permissionText is the logged-in operator's codes, each followed
// by a blank; childOpen tells whether a child window is open; viewEnables is the active view's
// verdict for commands it decides.
bool isCommandEnabled(const CommandInfo& command, std::string_view permissionText, bool childOpen,
                      bool viewEnables);

// The status-bar prompt of a command (the part before "\n"), and its tool tip (the part after,
// or the menu text without its mnemonic when the prompt has none).
std::string_view statusPrompt(const CommandInfo& command);
std::string toolTip(const CommandInfo& command);

} // namespace kszw
