// Copying set-up information from another year file (normally of another account set) into the
// logged-in one (帐套之间信息拷贝): the chart of accounts (replacing the current one, every subject
// made ordinary), the entry templates (under the next free number), the voucher classes the current
// file lacks, the template variable table (replacing the current one), the print formats and the
// financial statements' definitions (each replacing the current one of its number).
//
// The source is chosen and checked first (chooseCopySource): its name completed with the
// extension, never the logged-in file itself under any spelling, an existing year file that passes
// the login's validation. What it offers and what the current file allows are counted then
// (CopyAvailability). The copy itself (copySetInformation) opens the source read-only, counts
// again and runs as one transaction on the current file: a voucher or an opening balance saved
// meanwhile by another copy of the program makes it refuse, and an engine error leaves the
// current file as it was.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kszw {

class CKszwEnv;
class Database;
struct Prompt;

// The texts of the copy.
inline constexpr std::string_view kCopyDialogTitle = "岚屿穗软件-帐套之间信息拷贝";
inline constexpr std::string_view kCopySourceChooserTitle = "选择岚屿穗帐务数据文件";
inline constexpr std::string_view kCopyChooseSourceHint = "请单击“选帐套”选择对方帐套及年度";
inline constexpr std::string_view kCopyChooseItemsHint = "请选择要拷贝的信息，然后单击“确认”";
inline constexpr std::string_view kCopyToItself = "不能把自己拷贝到自己，请重新选择！";
inline constexpr std::string_view kNothingToCopy = "没有选择拷贝信息！";
inline constexpr std::string_view kCopyFinished = "拷贝结束 ！";

// "文件“" + path + "”不存在，请重新选择！"
std::string copySourceMissingMessage(std::string_view path);

// The six kinds of information, in the order of the dialog's check boxes and of the copy.
enum class CopyItem { Chart = 0, Templates = 1, Classes = 2, Variables = 3, Formats = 4, Reports = 5 };
inline constexpr std::array<CopyItem, 6> kCopyItems = {CopyItem::Chart,     CopyItem::Templates, CopyItem::Classes,
                                                       CopyItem::Variables, CopyItem::Formats,   CopyItem::Reports};

// The caption of an item's check box: 会计科目, 分录模板, 凭证分类, 变量表, 页面格式表, 财务报表定义.
std::string_view copyItemCaption(CopyItem item);

// The ticked items.
struct CopySelection {
    std::array<bool, 6> ticked{};

    bool& operator[](CopyItem item) { return ticked[static_cast<size_t>(item)]; }
    bool operator[](CopyItem item) const { return ticked[static_cast<size_t>(item)]; }
    bool any() const;
};

// What a source offers (its row counts) and what the current file allows (its voucher lines with
// the opening rows, and its vouchers).
struct CopyAvailability {
    int subjects = 0;      // SUBT of the source
    int templateLines = 0; // AUTCER of the source
    int classes = 0;       // CERCLS of the source
    int variables = 0;     // KSVAR of the source
    int fontRows = 0;      // KSFONT of the source
    int pageRows = 0;      // KSPAGESET of the source
    int reportLines = 0;   // KSRPTROW of the source (a source without the tables has none to copy)
    int currentLines = 0;    // P0 of the current file: a chart in use is never replaced
    int currentVouchers = 0; // CERDIR of the current file: classes are fixed once vouchers exist

    // The rows the source has for the item (print formats: font rows and page rows).
    int rows(CopyItem item) const;
    // True when the item's check box may be ticked: the source has rows and the current file
    // does not block it.
    bool available(CopyItem item) const { return !unavailableReason(item); }
    // Why the item cannot be copied; nothing when it can.
    std::optional<std::string> unavailableReason(CopyItem item) const;
};

// Counts what the source offers and what the current file allows. A table the source lacks
// counts 0. Raises DatabaseError.
CopyAvailability readCopyAvailability(Database& current, Database& source);

// A source that passed every check.
struct CopySource {
    std::string path;     // the year file, its extension completed
    std::string unitName; // NA of its header: the source's account-set name
    CopyAvailability availability;
};

// The file a chosen name stands for: a name without extension, or with another one than KSK
// (in any case), gets ".KSK"; when that file does not exist but the same name with ".ksk" does
// (or the other way round), that one.
std::string copySourcePath(std::string_view chosen);

// True when both paths name the same file: the same canonical path (another spelling, a link),
// or the same file on disk.
bool sameYearFile(const std::string& a, const std::string& b);

// Checks a chosen source in order — the logged-in file itself, a missing file, the login's
// validation of a year file, a header to read — and counts what it offers. Each refusal is shown
// through the prompt (the chooser then opens again); nothing then. The source is closed again.
std::optional<CopySource> chooseCopySource(CKszwEnv& env, std::string_view chosen, Prompt& prompt);

// The rows the progress runs through: subjects, template lines and classes of the ticked items.
int copyTotal(const CopyAvailability& availability, const CopySelection& selection);

// Where the copy stands: the item being copied and the rows done of the total (0 when it starts).
struct CopyProgress {
    CopyItem item = CopyItem::Chart;
    int current = 0;
    int total = 0;
};

// The share done, 0 to 100 (0 when there is nothing to count).
int copyProgressPercent(int current, int total);
// The text beside the progress bar: "%3d％".
std::string copyProgressText(int current, int total);
// The status line while an item is copied: "正在拷贝会计科目..."
std::string copyStatusText(CopyItem item);

enum class CopyOutcome {
    Copied,
    NothingSelected, // no ticked item has rows to copy (told: 没有选择拷贝信息！)
    Refused,         // a ticked item is blocked by the current file (told)
};

// What the copy wrote.
struct CopyResult {
    CopyOutcome outcome = CopyOutcome::NothingSelected;
    int subjects = 0;
    int templates = 0;
    int templateLines = 0;
    int classes = 0;
    bool variables = false;
    int formatGroups = 0; // (view kind, mode) keys of print formats saved
    int reports = 0;      // statements whose definitions were replaced
};

// The view kinds whose print formats are copied: 0 up to the highest view kind of the program.
inline constexpr int kFirstFormatGroup = 0;
int lastFormatGroup();

// Copies the ticked items from the source into the logged-in file as one transaction. Items
// without rows in the source are left alone (an empty variable table never wipes the current
// one). Refusals are told through the prompt. progress is called when the copy starts and after
// every subject, template line and class. The finishing message (kCopyFinished) is the caller's
// to show. Raises DatabaseError; the current file is then as before.
CopyResult copySetInformation(CKszwEnv& env, const std::string& sourcePath, const CopySelection& selection,
                              Prompt& prompt, const std::function<void(const CopyProgress&)>& progress = {});

} // namespace kszw
