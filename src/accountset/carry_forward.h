// The new-year carry-forward (年度帐务数据结转): the set-up of the most recent earlier year file
// of the account set — chart of accounts with currencies, voucher classes, entry templates,
// restricted debit/credit pairs — copied into the open year where it lacks them, and the earlier
// year's closing balances made this year's opening balances.
//
// The earlier file is found among the ten years before (Y−1 first) and opened read-only for the
// run. The whole run is one transaction on the open year: an engine error, or a failure of any
// kind, leaves the open year as it was before. Per-subject problems of the balance carry are
// warnings or questions through the prompt (caption "黄牌警告：" for the questions); the subject is
// skipped and the run goes on.
#pragma once

#include "store/database.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kszw {

class CKszwEnv;
struct Prompt;

// The five items of the dialog, all ticked when it opens.
struct CarrySelection {
    bool chart = true;     // 会计科目表 (with the currencies)
    bool classes = true;   // 凭证分类表
    bool templates = true; // 分录模板
    bool pairs = true;     // 多借多贷限制
    bool balances = true;  // 帐户余额
    bool any() const { return chart || classes || templates || pairs || balances; }
};

inline constexpr std::string_view kNoEarlierYear = "本帐套最近十年内无任何年度数据，无需结转!";
inline constexpr std::string_view kEarlierYearEmpty = "上年度无数据，无需结转!";
inline constexpr std::string_view kNothingSelected = "没有任何复制结转项目，请选择它们!";
inline constexpr std::string_view kChooseItems = "请选择需要复制结转的项目";
inline constexpr std::string_view kChecking = "正在进行复制结转前的检查...";
inline constexpr std::string_view kCarrying = "正在进行复制结转...";
inline constexpr std::string_view kYellowCard = "黄牌警告：";

// Where the run stands, for the progress display: the status text, the records done and the
// records the run will go through (an estimate made at the start; done never exceeds it).
struct CarryProgress {
    std::string status;
    int done = 0;
    int total = 0;
};

class CYearCarryForward {
public:
    // For the logged-in year (its connection, year, dates and account-set folder).
    explicit CYearCarryForward(CKszwEnv& env);
    ~CYearCarryForward();

    // Finds and opens the earlier year file. Nothing when the dialog may open; otherwise the text
    // to tell before it closes: no year file among the ten years before, the first one found
    // cannot be opened as a year file of its year (its problem named), or it has no subjects.
    std::optional<std::string> open();

    const std::string& unitName() const;
    int currentYear() const;
    // The earlier year file found by open(), and its year.
    const std::string& earlierPath() const { return m_earlierPath; }
    int earlierYear() const { return m_earlierYear; }
    // Whether the open year had subjects when open() ran.
    bool currentHadChart() const { return m_currentHadChart; }

    // The first question: "选择情况：…以上选择正确吗？".
    static std::string selectionQuestion(const CarrySelection& selection);
    // The second question: the check report, the explanation and "你现在就想进行复制结转吗？".
    // A warning is added when the earlier year has unposted vouchers or months not closed: their
    // lines are not part of its closing balances.
    std::string checkReport(const CarrySelection& selection);

    // Runs the carry-forward of the ticked items in one transaction; per-subject warnings and
    // questions go through the prompt; progress is reported after every record. Returns the result
    // text to show at the end. Raises DatabaseError (the open year is then as before the run).
    std::string run(const CarrySelection& selection, Prompt& prompt,
                    const std::function<void(const CarryProgress&)>& progress = {});

    // Closes the earlier file (also done by the destructor).
    void close();

private:
    CKszwEnv& m_env;
    Database m_earlier;
    std::string m_earlierPath;
    int m_earlierYear = 0;
    bool m_currentHadChart = false;
};

// The earlier year file of a year in an account-set folder: the first of Y−1 … Y−10 that exists
// ("2005.ksk" or "2005.KSK"), or nothing.
std::optional<std::string> findEarlierYearFile(const std::string& folder, int year);

// The legality of a subject code in a year: every ancestor (the code cut at each '-' from the
// right) exists exactly once. A top-level code is always legal.
bool isLegalSubject(Database& db, std::string_view code);

} // namespace kszw
