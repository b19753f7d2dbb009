// CVoucher: the in-memory voucher that the entry view edits, and every rule that decides what
// reaches CERDIR (one header) and P0 (one row per line): the checks of the head (date and
// number), the two number generators, saving a new or changed voucher with its question, the
// status written at save, deleting, and loading a voucher to change it.
//
// A voucher number is four characters: the class code (none, one or two characters) followed by
// the sequence number right-aligned and padded with "0" (0012, A012). Sequence numbers run per
// class and per accounting month, and a number is unique within the accounting month of its date.
#pragma once

#include "voucher/voucher_classes.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class CKszwEnv;
class Database;
struct Clock;
struct Prompt;

// One entry line: the six cells the entry view edits.
struct VoucherLine {
    enum Cell { Summary = 0, Subject = 1, Debit = 2, Credit = 3, Display = 4, Quantity = 5 };
    std::array<std::string, 6> cells;
    // Character 0: OP of the line's subject, character 1: its FZ; the rest carries no meaning.
    std::string flags = "00000 ";

    std::string& operator[](int cell) { return cells[static_cast<size_t>(cell)]; }
    const std::string& operator[](int cell) const { return cells[static_cast<size_t>(cell)]; }
    // Empties every cell and resets the flags.
    void clear();
};

// The head cells as typed: year, month, day, number, attachments.
enum HeadCell { kHeadYear = 0, kHeadMonth = 1, kHeadDay = 2, kHeadNumber = 3, kHeadAttachments = 4 };

// Totals of the lines: a line counts with its debit when that is present, else with its credit.
struct VoucherTotals {
    double debit = 0;
    double credit = 0;
    double difference = 0; // debit - credit
};

// What ParseNumber, CheckDate, Store and the save answer.
namespace voucher_result {
inline constexpr int kOk = 1;
// SaveWithConfirm / CheckHead
inline constexpr int kBackToEditing = 2;   // Cancel of the save question
inline constexpr int kBackToField = 4;     // go back to the head cell ErrorField names
inline constexpr int kBackToLine = 5;      // go back to the subject of the line ErrorLine names
inline constexpr int kNothingToKeep = 6;   // no line could be stored
inline constexpr int kNotSaved = 7;        // discarded or refused
// Store
inline constexpr int kNoLinesStored = 0;
inline constexpr int kReviewed = -1;
inline constexpr int kChangedMeanwhile = -2;
inline constexpr int kDuplicate = -3;
inline constexpr int kMonthClosed = -4;    // the month was closed while the save question was open
} // namespace voucher_result

// Messages of the voucher record.
inline constexpr std::string_view kNumbersUsedUp = "本月该类凭证号已用到最大，不能再产生凭证号！";

// What a subject typed into a line made of it.
enum class LineSubject {
    Plain,   // empty, unknown or with children: no display text, no quantity columns
    Refused, // reserved for another program: the code was emptied
    Posting, // a leaf that takes lines: its display text and FZ flag are set
};

class CVoucher {
public:
    // The voucher works on the login's file and year, as the login's operator.
    CVoucher(CKszwEnv& env, const Clock& clock);

    // --- the record
    std::string T;   // date YYYYMMDD
    std::string CER; // number
    std::string OPP, OPN;
    int PN = 0;
    std::string LY = "0";
    std::string MK;
    std::array<std::string, 5> head; // year, month, day, number, attachments as typed
    std::vector<VoucherLine> lines{1};
    std::string oldDate, oldNumber; // the key the voucher was loaded or last saved under
    bool isNew = true;
    int ErrorField = -1; // -1 none; 0 year, 1 month, 2 day, 3 number
    int ErrorLine = -1;  // after kBackToLine: the line whose subject cannot take its amount

    // --- lines
    int lineCount() const { return static_cast<int>(lines.size()); }
    // Grows or shrinks the line array (at least one line); new lines are empty.
    void resizeLines(int count);
    void insertLines(int at, int count);
    void removeLines(int at, int count);
    // The display text of a subject as the subject column shows it ("1002-1 工商银行基本户").
    std::string subjectDisplayText(std::string_view code);
    // Fills the flags and display text of a line from its subject (empty when the code names no
    // subject).
    void refreshLineSubject(VoucherLine& line);
    // True when some line's subject keeps quantity or foreign currency (flag character 1).
    bool hasQuantityLines() const;

    // --- the operations
    int LoadHeader();
    int CountHeaders();
    int CountLines();
    void LoadLines();
    ClassList GetClassList();
    // ParseNumber: 1 or a negative code; the number text is normalised in place.
    int ParseNumber(int& classLength, std::string& number, bool allowEmpty);
    // CheckDate: 1, -1 (outside the year), -2 (month), -3 (day), -4 (closed month); sets T.
    int CheckDate(std::string_view year, std::string_view month, std::string_view day);
    // CheckHead: 1, 4 or 7; sets ErrorField and may normalise or generate the number.
    int CheckHead(int& classLength, bool allowAutomaticNumber, bool interactive, int generatorMode, Prompt& prompt);
    // NextNumber: writes CER (mode 0 largest + 1, 1 first free). False when no number is left
    // in four characters (mode 0 after A999, or mode 1 without a gap).
    bool NextNumber(int classLength, int mode);
    int CountSameNumber(std::string_view date, std::string_view number);
    VoucherTotals ComputeTotals() const;
    int Store(bool isNewVoucher, std::string_view previousDate, std::string_view previousNumber, int attachments);
    int StoreLines(int status);
    int SaveWithConfirm(Prompt& prompt);
    void SetStatus(int status);
    void DeleteVoucher(std::string_view source, Prompt& prompt);
    void ResetAsNew();
    // The core of opening a voucher from the list: loads the voucher of that date and number.
    // 1 when loaded; 0 with the message told.
    int OpenVoucher(std::string_view date, std::string_view number, Prompt& prompt);

    // The accounting month of a date (0 when none); the period of a month.
    int monthOf(std::string_view date) const;

    CKszwEnv& env() { return m_env; }
    Database& db();
    const Clock& clock() const { return m_clock; }

    // --- what the entry view does to a line as it is edited
    // Applies a subject typed or chosen into the line: no display text and a plain line for an
    // empty code, a code that names no subject or a subject with children (the code stays); the
    // code emptied for a subject reserved for another program; for a leaf that takes lines the
    // display text and the FZ flag (a plain subject keeps no quantity).
    LineSubject applyLineSubject(VoucherLine& line);
    // Fills the display text and the FZ flag of a line whose code names a leaf subject but that
    // shows no name yet; true when it did.
    bool fillMissingDisplay(VoucherLine& line);
    // After a save emptied lines: a line without a subject is a plain line again.
    void resetLinesWithoutSubject();
    // Takes over the whole record (head, lines, key and status) of another voucher of the file.
    void assignRecord(const CVoucher& other);

private:
    CKszwEnv& m_env;
    const Clock& m_clock;
};

// A voucher the open list offers: the maker's unreviewed vouchers of the open months.
struct OpenableVoucher {
    std::string date;
    std::string number;
    // "%2s.%2s.%2s  %4s": year, month, day, number.
    std::string line() const;
};
std::vector<OpenableVoucher> openableVouchers(CKszwEnv& env);
inline constexpr std::string_view kNoOpenableVouchers = "无可打开的凭证！";

// What a number refused by ParseNumber is told: "无此凭证分类号！" for -4 and so on; empty for 1
// and, when an empty number or sequence is to be generated, for -1 and -5.
std::string_view numberRefusal(int parseCode, bool allowAutomaticNumber);

// The date in the long form of the save question: 2026年3月5日.
std::string longDate(std::string_view date);

// The unit price or exchange rate of a line: its amount (the credit when there is one, else the
// debit) divided by its quantity; 0 when the quantity is zero.
double linePrice(const VoucherLine& line);
// A price typed for a line: the amount becomes quantity × price with two decimals, in the credit
// when the line has a credit, else in the debit. The cell written (VoucherLine::Debit or Credit),
// or -1 when the amount already was that or the line has no quantity to price.
int applyLinePrice(VoucherLine& line, std::string_view priceText);
// A line holds a debit or a credit: an amount typed into one cell (Debit or Credit) clears the
// other. True when the other was cleared.
bool clearOppositeAmount(VoucherLine& line, int typedCell);

} // namespace kszw
