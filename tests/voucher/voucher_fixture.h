// A logged-in year file with a small chart, and helpers to fill and save vouchers, for the voucher tests.
#pragma once

#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "support/temp_dir.h"
#include "voucher/voucher.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kszw::test {

// A prompt that records like ScriptedPrompt and runs a piece of work when it is asked, before it
// answers: what another copy of the program does while a question is open.
class PromptWithInterlude : public ScriptedPrompt {
public:
    std::function<void()> interlude;
    Answer ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
               std::string_view caption) override
    {
        if (interlude) {
            auto work = std::move(interlude);
            interlude = nullptr;
            work();
        }
        return ScriptedPrompt::ask(text, buttons, defaultButton, icon, caption);
    }
};

inline constexpr std::string_view kTestChart = "code,name,kind,unit,multi_column,direction,width\n"
                                               "1001,库存现金,0,,0,0,0\n"
                                               "1002,银行存款,0,,0,0,0\n"
                                               "1002-1,工商银行,0,,0,0,0\n"
                                               "1122,应收账款,0,,0,0,0\n"
                                               "1403,原材料,1,吨,0,0,0\n"
                                               "2202,应付账款,0,,0,0,0\n"
                                               "6001,主营业务收入,0,,0,0,0\n"
                                               "6602,管理费用,0,,0,0,0\n";

// A line of a voucher written straight into the tables.
struct RawLine {
    std::string summary;
    std::string subject;
    int direction; // 1 debit, -1 credit
    double amount;
    double quantity = 0;
};

// A voucher written straight into CERDIR and P0 (status mk, maker opp, month code from the date's
// calendar month): what another program or an older version may have left in a file.
inline void insertRawVoucher(Database& db, const std::string& date, const std::string& number,
                             const std::vector<RawLine>& lines, const std::string& mk = "2",
                             const std::string& opp = "102", const std::string& opn = "")
{
    const std::string month = date.substr(4, 2);
    db.execute("INSERT INTO CERDIR(T,CER,OPP,OPN,PN,LY,MK,TT) VALUES(?1,?2,?3,?4,0,'0',?5,?6)",
               {date, number, opp, opn.empty() ? SqlValue() : SqlValue(opn), mk, month});
    std::int64_t rn = 1;
    for (const RawLine& line : lines)
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)",
                   {date, number, rn++, line.summary, line.subject, static_cast<std::int64_t>(line.direction),
                    line.amount, line.quantity, mk, month});
}

// A balanced two-line voucher of amount on 1001 / 1002-1, written straight into the tables.
inline void insertBalancedVoucher(Database& db, const std::string& date, const std::string& number,
                                  double amount = 100, const std::string& mk = "2", const std::string& opp = "102",
                                  const std::string& opn = "")
{
    insertRawVoucher(db, date, number, {{"提现", "1001", 1, amount}, {"提现", "1002-1", -1, amount}}, mk, opp, opn);
}

class VoucherTest : public ::testing::Test {
protected:
    void SetUp() override { open(2026); }

    // A year file of the year with the test chart, logged in as 102.
    void open(int year)
    {
        path = dir.file(std::to_string(year) + ".ksk");
        createYearFile(path, year);
        ASSERT_TRUE(login(env, "102"));
        ASSERT_TRUE(importSubjects(env.db(), kTestChart).ok);
        voucher = std::make_unique<CVoucher>(env, clock);
    }

    bool login(CKszwEnv& state, const std::string& op)
    {
        ScriptedPrompt quiet;
        if (!confirmLogin(state, path, op, "", quiet))
            return false;
        MemoryUserSettings settings;
        state.completeLogin(settings);
        return true;
    }

    // Fills the voucher as the entry view would: the head, then lines {summary, subject, debit, credit}.
    static void fill(CVoucher& v, const std::string& date, const std::string& number,
                     const std::vector<std::vector<std::string>>& rows)
    {
        v.head = {date.substr(0, 4), date.substr(4, 2), date.substr(6, 2), number, "1"};
        v.lines.assign(rows.size() + 1, VoucherLine{});
        for (size_t i = 0; i < rows.size(); ++i) {
            for (size_t c = 0; c < rows[i].size() && c < 4; ++c)
                v.lines[i][static_cast<int>(c)] = rows[i][c];
            if (rows[i].size() > 4)
                v.lines[i][VoucherLine::Quantity] = rows[i][4];
            v.refreshLineSubject(v.lines[i]);
        }
    }

    // A balanced two-line voucher saved through the save question (answered Yes).
    int save(CVoucher& v, const std::string& date, const std::string& number, double amount = 100)
    {
        fill(v, date, number,
             {{"提现", "1001", FixedAmount(amount), ""}, {"提现", "1002-1", "", FixedAmount(amount)}});
        ScriptedPrompt yes;
        yes.queueAnswer(Answer::Yes);
        return v.SaveWithConfirm(yes);
    }

    static std::string FixedAmount(double amount)
    {
        char text[64];
        std::snprintf(text, sizeof text, "%.2f", amount);
        return text;
    }

    int count(const std::string& sql, const SqlParams& params = {}) { return env.db().queryLong(sql, params); }

    TempDir dir;
    std::string path;
    CKszwEnv env;
    FixedClock clock{CivilDate{2026, 3, 15}};
    std::unique_ptr<CVoucher> voucher;
};

} // namespace kszw::test
