// The year files of the logged-in account set: creating the file of a new year from the current
// one (header with the year's dates moved, operators, rights, print settings, report definitions
// and template variables copied), and deleting another year's file. The current login is not
// changed by either.
#pragma once

#include <string>
#include <string_view>

namespace kszw {

class CKszwEnv;
struct Prompt;

// The messages of the new-year dialog.
inline constexpr std::string_view kCannotDeleteLoggedInYear = "不能删除注册年度帐务！";
inline constexpr std::string_view kYearTooEarly = "年度不能早于1990年！";

// The folder of the logged-in account set.
std::string accountSetFolder(const CKszwEnv& env);

enum class NewYearOutcome {
    NotAYear, // the text is not exactly four digits: nothing happens, nothing is shown
    Refused,  // a check refused it (the message was shown)
    Declined, // the user answered No
    Created,
    Failed,   // an engine or file error (shown); nothing of the new file is left
};

struct NewYearResult {
    NewYearOutcome outcome = NewYearOutcome::NotAYear;
    std::string filePath; // the new year data file when created
};

// Creates the year data file of the typed year in the logged-in account set's folder: refused when
// the year's file exists in any form (the existing file is left as it is); asks first; then builds
// the file safely with every table, the header made from the current one and the tables carried
// from year to year copied from the current file. Every message goes through the prompt.
NewYearResult createNewYear(CKszwEnv& env, std::string_view yearText, Prompt& prompt);

// The header of a new year made from the current one: T1 and T13 keep their month and day; T1
// lies in the year before the new year when the old one lay in the year before the old year, T13
// in the year after the new year when the old one lay in the year after the old year.
std::string shiftedYearStart(std::string_view oldYearStart, int oldYear, int newYear);
std::string shiftedYearEnd(std::string_view oldYearEnd, int oldYear, int newYear);

enum class DeleteYearOutcome { Refused, Declined, Deleted, Failed };

// Deletes a year data file of the account set after asking: never the logged-in year, never while
// another program holds the file's lock; the engine's companion files (-journal, -wal, -shm) go
// with it. Every message goes through the prompt.
DeleteYearOutcome deleteYearFile(CKszwEnv& env, const std::string& path, Prompt& prompt);

} // namespace kszw
