// The chart of accounts (SUBT) as operations on the year file: listing one level of the tree,
// the checks other subsystems call, adding, modifying and deleting a subject, and the subtree
// operations (copy, move, paste, delete the children of a subject). Only leaves carry lines; when
// a leaf gets its first child, its lines and its role as a currency's gain/loss subject pass to
// that child. Every operation that writes more than one statement is one transaction.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class Database;
struct Prompt;

struct SubjectLine {
    std::string code;
    std::string name;
};

// What SUBT says of a subject (trimmed).
struct SubjectAttributes {
    std::string name;
    std::string owner;    // OP: "0" ordinary, anything else reserved for that voucher source
    std::string kind;     // FZ: "0" none, "1" quantity and amount, "2" foreign currency
    std::string unit;     // FZN: quantity unit or currency code
    std::string multiColumn; // DL: "1" when its ledger is multi-column
    int level = 0;        // CLAS
    int direction = 0;    // DLF
    int width = 0;        // DLW
    bool reserved() const;
};

// One level of the tree in numeric order of the last segment; parent "" is the top level.
std::vector<SubjectLine> listSubjectLevel(Database& db, std::string_view parent);
// The same, keeping only subjects whose name contains the condition (the subject query).
std::vector<SubjectLine> querySubjectLevel(Database& db, std::string_view parent, std::string_view nameCondition);
// The row at which a typed code stands in its level: how many codes of the level sort before it.
int locateSubjectInLevel(Database& db, std::string_view parent, std::string_view typedCode);

// The row at which a typed code stands among lines already read (a level kept by a name
// condition): how many of them have a last segment that sorts before the typed one.
int locateSubjectInLines(const std::vector<SubjectLine>& lines, std::string_view typedCode);

bool subjectExists(Database& db, std::string_view code);
// Nothing when the subject exists; otherwise "科目“code”不存在!".
std::optional<std::string> checkSubjectExists(Database& db, std::string_view code);
// True when a voucher of the source may post to the subject: it exists, is ordinary or reserved
// for that source, and has no children.
bool subjectUsableBy(Database& db, std::string_view code, std::string_view source);
std::optional<SubjectAttributes> subjectAttributes(Database& db, std::string_view code);
std::optional<std::string> subjectName(Database& db, std::string_view code);
// Number of subjects below the code (all levels).
int descendantCount(Database& db, std::string_view code);
// Number of lines (vouchers and opening rows) of the subject and its subtree.
int subtreeLineCount(Database& db, std::string_view code);
// True when the subject or its subtree has posted lines up to accounting month m.
bool hasPostedEntries(Database& db, std::string_view code, int month);
inline constexpr std::string_view kNoPostedEntries = "本科目(帐户)无经济内容!";
// The longest code in the subtree below the code (0 when none).
int longestDescendantCode(Database& db, std::string_view code);
// The currencies (WBT) whose gain/loss subject is the code or lies below it.
int currenciesNamingSubtree(Database& db, std::string_view code, bool includeSelf);

// Entering the children of a subject in the directory: refused for reserved and foreign-currency
// subjects (the message), nothing when allowed.
std::optional<std::string> checkEnterChildren(Database& db, std::string_view code);

// The checks on a parent before a child is added to it (reserved, six levels, code length, kind);
// parent "" (the top level) always allows.
std::optional<std::string> checkCanAddChild(Database& db, std::string_view parent);

// What the subject dialog collects.
struct SubjectInput {
    std::string segment;      // the last segment as typed
    std::string name;
    int kind = 0;             // 0 none, 1 quantity and amount, 2 foreign currency
    std::string unit;         // the quantity unit (kind 1) or the currency code (kind 2)
    bool multiColumn = false; // DL: its own ledger is multi-column
    int direction = 0;        // its column's direction in the parent's multi-column ledger: 1, -1 or 0
    int width = 0;            // that column's width in Chinese characters
};

enum class SubjectField { Segment, Name, Currency, Unit, Direction, Width, Kind };

// The outcome of confirming the subject dialog.
struct SubjectResult {
    bool ok = false;
    std::string message;          // the refusal
    SubjectField field = SubjectField::Segment;
    bool closeDialog = false;     // the parent cannot take children after all: the dialog closes
    std::optional<int> width;     // the width the dialog shows after a width refusal
    std::string code;             // the subject's code after saving
};

// Adds a child of parent (or a top-level subject for ""): the checks in their order, then the
// insert, then the first child's takeover of its parent's lines — one transaction.
SubjectResult addSubject(Database& db, std::string_view parent, const SubjectInput& input);
// Modifies the subject code; a changed code is carried into its lines, its descendants and their
// lines, and the currencies that name them — one transaction.
SubjectResult modifySubject(Database& db, std::string_view code, const SubjectInput& input);

// What the dialog offers for a subject: its current values (segment, name, kind, unit, DL, DLF,
// DLW) and whether it has children (the auxiliary kinds are for leaves only).
struct SubjectForm {
    SubjectInput input;
    bool hasChildren = false;
    bool parentMultiColumn = false;
};
std::optional<SubjectForm> subjectForm(Database& db, std::string_view code);
// Whether the parent's ledger is multi-column (top level: no).
bool parentIsMultiColumn(Database& db, std::string_view parent);

// Deletes a subject with its subtree (Delete key): refusals as messages; lines of an only child
// return to its parent. No question is asked.
std::optional<std::string> deleteSubject(Database& db, std::string_view code);

// The subtree operations act on the children of a subject.
enum class SubtreeKind { Copy, Move };
struct SubtreeSource {
    std::string code;
    SubtreeKind kind = SubtreeKind::Copy;
};
// Makes the subject the source of a copy or move; the refusal as a message.
std::optional<std::string> checkSubtreeSource(Database& db, std::string_view code, SubtreeKind kind);
// Pastes the source's children under the target (names only, no auxiliary settings); a move then
// deletes the source's subtree. Checks in their order; the refusal as a message.
std::optional<std::string> pasteSubtree(Database& db, const std::optional<SubtreeSource>& source,
                                        std::string_view target);
// Deletes every subject below the code after asking "该科目共有%d个子科目，决定删除吗？". Returns
// the refusal as a message, or nothing (deleted, or the user said no: deleted tells which).
std::optional<std::string> deleteChildren(Database& db, std::string_view code, Prompt& prompt, bool* deleted = nullptr);

// The subject query dialog: no subject at all in the year, and nothing left by the name condition.
inline constexpr std::string_view kNoSubjectsForQuery = "本年度尚未设置科目(帐户)";
inline constexpr std::string_view kNoSubjectsMatching = "没有满足条件的科目(帐户)!";

// The most digits the subject dialog's segment field takes, so that the whole code (and, for a
// subject being modified, every descendant code, which keeps its tail) stays within 14
// characters. existing is the code being modified, "" when adding under parent. At least 1.
int maxSegmentDigits(Database& db, std::string_view parent, std::string_view existing);

// A currency the subject dialog offers (WBT, in numeric order of its code).
struct CurrencyChoice {
    std::string code;
    std::string name;
};
std::vector<CurrencyChoice> currencyChoices(Database& db);

} // namespace kszw
