// The account-set information held in the year file's header (SYSTAB): unit name, chief
// accountant, first and last day of the accounting year and the month-end day code. Changing it
// checks the new dates against the vouchers, lines and exchange rates already in the file, then
// writes the header and moves the opening rows to the new first day in one transaction.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class CKszwEnv;
class Database;
struct Prompt;

// The values the drop-downs offer, 22 each, in order. Year start: the year before's 20 to 31
// December, then 1 to 10 January; year end: 20 to 31 December, then the next year's 1 to 10
// January; month-end codes "020" … "031", then "101" … "110".
std::vector<std::string> yearStartChoices(int year);
std::vector<std::string> yearEndChoices(int year);
std::vector<std::string> monthEndChoices();

// True when the year already has voucher lines; the month-end day then cannot change.
bool hasVoucherLines(Database& db);

struct AccountSetInfo {
    std::string unitName;        // NA, at most 40 GBK bytes
    std::string chiefAccountant; // KJ, at most 8 GBK bytes
    std::string yearStart;       // T1
    std::string yearEnd;         // T13
    std::string monthEnd;        // JT
};

// The information of the logged-in file as the login state holds it.
AccountSetInfo currentAccountSetInfo(const CKszwEnv& env);

// The field a refusal is about, so the dialog can put the focus back on it.
enum class InfoField { None, UnitName, ChiefAccountant, YearStart, YearEnd, MonthEnd };

struct InfoChangeResult {
    bool ok = false;
    InfoField field = InfoField::None;
};

// Checks and writes the information into the logged-in file; on success the login state takes
// the new values and "修改结束" is shown. Every refusal shows its message through the prompt.
InfoChangeResult changeAccountSetInfo(CKszwEnv& env, const AccountSetInfo& info, Prompt& prompt);

} // namespace kszw
