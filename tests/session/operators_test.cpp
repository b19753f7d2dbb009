// Operators and their rights: the checks of adding and modifying in their order and with their
// messages, what reaches OPR, PWR and CERDIR, deleting, the fixed rights boxes, and setting one's
// own password.
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "session/kszw_env.h"
#include "session/operators.h"
#include "session/rights.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/ks_dbset.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kszw {
namespace {

// The new file holds 101 管理员 (right 0101) and 102 ××× (the 22 working rights).
class Operators : public ::testing::Test {
protected:
    Operators() : path(dir.file("2026.ksk"))
    {
        createYearFile(path, 2026);
        db = Database::open(path);
    }

    // Every row of a query, its columns joined by "|" (NULL as "NULL").
    std::vector<std::string> rows(const std::string& sql)
    {
        std::vector<std::string> result;
        KS_Dbset set(db);
        for (set.open(sql); !set.isEOF(); set.moveNext()) {
            std::string line;
            for (int c = 0; c < set.columnCount(); ++c)
                line += (c ? "|" : "") + (set.isNullAt(c) ? std::string("NULL") : set.textAt(c));
            result.push_back(line);
        }
        return result;
    }

    std::vector<std::string> operatorRows() { return rows("SELECT OPNO,NA,PSD FROM OPR ORDER BY OPNO"); }
    std::vector<std::string> rightRows(const std::string& code)
    {
        return rows("SELECT OPNO,PWR FROM PWR WHERE OPNO='" + code + "' ORDER BY PWR");
    }

    // Logs in as the operator with the password, as the login does; the permission text.
    std::string permissionsAfterLogin(const std::string& code, const std::string& password = "")
    {
        CKszwEnv env;
        ScriptedPrompt loginPrompt;
        EXPECT_TRUE(confirmLogin(env, path, code, password, loginPrompt)) << loginPrompt.last();
        MemoryUserSettings settings;
        env.completeLogin(settings);
        return env.permissionText();
    }

    void insertVoucher(const std::string& number, const char* maker, const char* reviewer)
    {
        db.execute("INSERT INTO CERDIR(T,CER,OPP,OPN,PN,LY,MK,TT) VALUES('20260105',?1,?2,?3,0,'0','2','01')",
                   {number, maker ? SqlValue(std::string(maker)) : SqlValue(SqlNull{}),
                    reviewer ? SqlValue(std::string(reviewer)) : SqlValue(SqlNull{})});
    }

    test::TempDir dir;
    std::string path;
    Database db;
    ScriptedPrompt prompt;
};

TEST_F(Operators, TheListShowsCodeInElevenColumnsThenNameInNumericOrder)
{
    db.execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('110','王五','')");
    db.execute("INSERT INTO OPR(OPNO,NA,PSD) VALUES('103','李四  ','')");
    std::vector<std::string> lines;
    for (const OperatorEntry& entry : listOperators(db))
        lines.push_back(operatorLine(entry.code, entry.name));
    EXPECT_EQ(lines, (std::vector<std::string>{"101        管理员", "102        ×××", "103        李四",
                                               "110        王五"}));
}

TEST_F(Operators, TheSecondLineIsPreselectedWhenThereAreSeveral)
{
    const std::pair<int, int> cases[] = {{0, -1}, {1, 0}, {2, 1}, {7, 1}};
    for (const auto& [count, line] : cases)
        EXPECT_EQ(preselectedOperatorLine(count), line) << count;
}

TEST_F(Operators, IllegalCodesAreRefusedBeforeAnythingIsWritten)
{
    const std::vector<std::string> before = operatorRows();
    for (const char* code : {"101", "099", "100", "1 2", "12", "", "  ", "1234", "abc", "10a", "-12", "１０３"}) {
        prompt.clear();
        const OperatorSaveResult result = addOperator(db, code, "张三", prompt);
        EXPECT_FALSE(result.saved) << code;
        EXPECT_EQ(result.field, OperatorField::Code) << code;
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{"代码不合法，请重输！"}) << code;
    }
    EXPECT_EQ(operatorRows(), before);
    ASSERT_EQ(prompt.entries().size(), 1u);
    EXPECT_EQ(prompt.entries()[0].caption, "岚屿穗软件");
    EXPECT_EQ(prompt.entries()[0].icon, Icon::Exclamation);
}

TEST_F(Operators, Code102IsAcceptedWhenFree)
{
    ASSERT_TRUE(deleteOperator(db, "102", prompt));
    const OperatorSaveResult result = addOperator(db, "102", "张三", prompt);
    EXPECT_TRUE(result.saved);
    EXPECT_TRUE(prompt.entries().empty()) << prompt.last();
    EXPECT_EQ(operatorRows(), (std::vector<std::string>{"101|管理员|", "102|张三|"}));
}

TEST_F(Operators, NameRefusalsSayWhyAndClearTheFieldOfInvalidCharacters)
{
    struct Case {
        std::string name;
        std::string message;
        bool cleared;
    };
    const Case cases[] = {
        {"", "姓名不能为空，请重输！", false},
        {"   ", "姓名不能为空，请重输！", false},
        {"张'三", "操作员姓名中输入了无效字符，请重输！", true},
        {"张|三", "操作员姓名中输入了无效字符，请重输！", true},
        {"[张三]", "操作员姓名中输入了无效字符，请重输！", true},
        {"张\"三", "操作员姓名中输入了无效字符，请重输！", true},
        {"张\t三", "操作员姓名中输入了无效字符，请重输！", true},
        {"张三李四x", "姓名不能超过8个字节（4个汉字），请重输！", false}, // 9 bytes
        {"abcdefghi", "姓名不能超过8个字节（4个汉字），请重输！", false},
    };
    for (const Case& c : cases) {
        prompt.clear();
        const OperatorSaveResult result = addOperator(db, "103", c.name, prompt);
        EXPECT_FALSE(result.saved) << c.name;
        EXPECT_EQ(result.field, OperatorField::Name) << c.name;
        EXPECT_EQ(result.clearField, c.cleared) << c.name;
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{c.message}) << c.name;
    }
    EXPECT_EQ(rightRows("103"), std::vector<std::string>{});
    // Eight bytes fit, and the name is stored trimmed.
    EXPECT_TRUE(addOperator(db, "103", " 张三李四 ", prompt).saved);
    EXPECT_EQ(operatorRows().back(), "103|张三李四|");
}

TEST_F(Operators, TheChecksRunInTheirOrder)
{
    // The code before the name, the name before the look for a duplicate.
    addOperator(db, "099", "", prompt);
    addOperator(db, "102", "a|b", prompt);
    addOperator(db, "102", "张三", prompt);
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"代码不合法，请重输！", "操作员姓名中输入了无效字符，请重输！",
                                                        "该代码已存在，请重输！"}));
    const OperatorSaveResult duplicate = addOperator(db, "102", "张三", prompt);
    EXPECT_EQ(duplicate.field, OperatorField::Code);
    EXPECT_FALSE(duplicate.clearField);
}

TEST_F(Operators, ANewOperatorHasANullRightRowNoPasswordAndNoPermissions)
{
    ASSERT_TRUE(addOperator(db, "103", "张三", prompt).saved);
    EXPECT_EQ(rightRows("103"), std::vector<std::string>{"103|NULL"});
    EXPECT_EQ(operatorRows().back(), "103|张三|");
    EXPECT_EQ(permissionsAfterLogin("103"), "");
    EXPECT_EQ(operatorRights(db, "103"), std::vector<bool>(kRights.size(), false));

    ASSERT_TRUE(setOperatorRight(db, "103", "0201", true, prompt));
    ASSERT_TRUE(setOperatorRight(db, "103", "0406", true, prompt));
    ASSERT_TRUE(setOperatorRight(db, "103", "0301", true, prompt));
    EXPECT_EQ(permissionsAfterLogin("103"), "0201 0406 0301 ");
    std::vector<bool> expected(kRights.size(), false);
    expected[1] = expected[10] = expected[22] = true;
    EXPECT_EQ(operatorRights(db, "103"), expected);
    EXPECT_TRUE(prompt.entries().empty()) << prompt.last();
}

TEST_F(Operators, GrantingTwiceKeepsOneRowAndWithdrawingRemovesIt)
{
    ASSERT_TRUE(addOperator(db, "103", "张三", prompt).saved);
    EXPECT_TRUE(setOperatorRight(db, "103", "0203", true, prompt));
    EXPECT_TRUE(setOperatorRight(db, "103", "0203", true, prompt));
    EXPECT_EQ(rightRows("103"), (std::vector<std::string>{"103|NULL", "103|0203"}));
    EXPECT_TRUE(setOperatorRight(db, "103", "0203", false, prompt));
    EXPECT_EQ(rightRows("103"), std::vector<std::string>{"103|NULL"});
    EXPECT_TRUE(prompt.entries().empty()) << prompt.last();
}

TEST_F(Operators, TheAdministrationBoxAndTheAdministratorsBoxesCannotChange)
{
    EXPECT_FALSE(rightChangeable("102", "0101"));
    EXPECT_FALSE(rightChangeable("101", "0101"));
    EXPECT_FALSE(rightChangeable("101", "0201"));
    EXPECT_FALSE(rightChangeable("", "0201"));
    EXPECT_TRUE(rightChangeable("102", "0201"));
    EXPECT_TRUE(rightChangeable("102", "0406"));

    struct Case {
        std::string op;
        std::string right;
        bool granted;
        std::string message;
    };
    const Case cases[] = {
        {"", "0201", true, "没有选择操作员，不能操作权限！"},
        {"102", "0101", true, "“帐务管理”权限不能授予或收回！"},
        {"101", "0101", false, "代码为101的操作员的权限不能更改！"},
        {"101", "0201", true, "代码为101的操作员的权限不能更改！"},
        {"102", "0999", true, "权限代码“0999”不存在！"},
        {"107", "0201", true, "无此操作员！"},
    };
    const std::vector<std::string> before = rows("SELECT OPNO,PWR FROM PWR ORDER BY OPNO,PWR");
    for (const Case& c : cases) {
        prompt.clear();
        EXPECT_FALSE(setOperatorRight(db, c.op, c.right, c.granted, prompt)) << c.op << " " << c.right;
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{c.message}) << c.op << " " << c.right;
    }
    EXPECT_EQ(rows("SELECT OPNO,PWR FROM PWR ORDER BY OPNO,PWR"), before);
}

TEST_F(Operators, ReplacingRightsGivesExactlyTheListOrChangesNothing)
{
    ASSERT_TRUE(addOperator(db, "103", "张三", prompt).saved);
    ASSERT_TRUE(replaceOperatorRights(db, "103", {"0201", "0203"}, prompt));
    ASSERT_TRUE(replaceOperatorRights(db, "103", {"0406", "0201"}, prompt));
    EXPECT_EQ(rightRows("103"), (std::vector<std::string>{"103|NULL", "103|0201", "103|0406"}));

    EXPECT_FALSE(replaceOperatorRights(db, "103", {"0202", "0101"}, prompt));
    EXPECT_FALSE(replaceOperatorRights(db, "103", {"0202", "9"}, prompt));
    EXPECT_FALSE(replaceOperatorRights(db, "101", {}, prompt));
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"“帐务管理”权限不能授予或收回！", "权限代码“9”不存在！",
                                                        "代码为101的操作员的权限不能更改！"}));
    EXPECT_EQ(rightRows("103"), (std::vector<std::string>{"103|NULL", "103|0201", "103|0406"}));
    EXPECT_EQ(rightRows("101"), std::vector<std::string>{"101|0101"});

    ASSERT_TRUE(replaceOperatorRights(db, "103", {}, prompt));
    EXPECT_EQ(rightRows("103"), std::vector<std::string>{"103|NULL"});
}

TEST_F(Operators, RenamingKeepsTheRightsAndRewritesOnlyThatOperatorsVouchers)
{
    ASSERT_TRUE(addOperator(db, "103", "张三", prompt).saved);
    ASSERT_TRUE(setOperatorRight(db, "103", "0203", true, prompt));
    insertVoucher("0001", "103", "102");
    insertVoucher("0002", "102", "103");
    insertVoucher("0003", "104", nullptr);
    insertVoucher("0004", "103", "103");
    insertVoucher("0005", "102", nullptr);

    const OperatorSaveResult result = modifyOperator(db, "103", "105", "张三丰", prompt);
    ASSERT_TRUE(result.saved) << prompt.last();
    EXPECT_EQ(rows("SELECT CER,OPP,OPN FROM CERDIR ORDER BY CER"),
              (std::vector<std::string>{"0001|105|102", "0002|102|105", "0003|104|NULL", "0004|105|105",
                                        "0005|102|NULL"}));
    EXPECT_EQ(rightRows("105"), (std::vector<std::string>{"105|NULL", "105|0203"}));
    EXPECT_EQ(rightRows("103"), std::vector<std::string>{});
    EXPECT_EQ(operatorRows(), (std::vector<std::string>{"101|管理员|", "102|×××|", "105|张三丰|"}));
    EXPECT_EQ(permissionsAfterLogin("105"), "0203 ");
}

TEST_F(Operators, AFailureInTheMiddleOfARenameLeavesEverythingAsItWas)
{
    ASSERT_TRUE(addOperator(db, "103", "张三", prompt).saved);
    ASSERT_TRUE(setOperatorRight(db, "103", "0203", true, prompt));
    // The rights are renamed first; the vouchers' table is missing, so the next statement fails.
    db.execute("DROP TABLE CERDIR");
    EXPECT_THROW(modifyOperator(db, "103", "105", "张三", prompt), DatabaseError);
    EXPECT_FALSE(db.inTransaction());
    EXPECT_EQ(rightRows("103"), (std::vector<std::string>{"103|NULL", "103|0203"}));
    EXPECT_EQ(rightRows("105"), std::vector<std::string>{});
    EXPECT_EQ(operatorRows().back(), "103|张三|");
}

TEST_F(Operators, ModifyingKeepsTheAdministratorsCodeAndRefusesATakenCode)
{
    ASSERT_TRUE(addOperator(db, "103", "张三", prompt).saved);
    struct Case {
        std::string from, to, name, message;
        OperatorField field;
    };
    const Case cases[] = {
        {"103", "102", "张三", "该代码已存在，请重输！", OperatorField::Code},
        {"103", "101", "张三", "该代码已存在，请重输！", OperatorField::Code},
        {"101", "104", "管理员", "代码为101的操作员不能更改代码！", OperatorField::Code},
        {"103", "10", "张三", "代码不合法，请重输！", OperatorField::Code},
        {"103", "104", "", "姓名不能为空，请重输！", OperatorField::Name},
        {"108", "104", "某人", "无此操作员！", OperatorField::None},
    };
    const std::vector<std::string> before = operatorRows();
    for (const Case& c : cases) {
        prompt.clear();
        const OperatorSaveResult result = modifyOperator(db, c.from, c.to, c.name, prompt);
        EXPECT_FALSE(result.saved) << c.from << "→" << c.to;
        EXPECT_EQ(result.field, c.field) << c.from << "→" << c.to;
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{c.message}) << c.from << "→" << c.to;
    }
    EXPECT_EQ(operatorRows(), before);

    // Keeping the code changes only the name; the administrator's name may change.
    EXPECT_TRUE(modifyOperator(db, "103", "103", "李四", prompt).saved);
    EXPECT_TRUE(modifyOperator(db, "101", "101", "主管", prompt).saved);
    EXPECT_EQ(operatorRows(), (std::vector<std::string>{"101|主管|", "102|×××|", "103|李四|"}));
    EXPECT_EQ(rightRows("101"), std::vector<std::string>{"101|0101"});
}

TEST_F(Operators, DeletingRefusesInOrderThenRemovesTheOperatorAndRights)
{
    ASSERT_TRUE(addOperator(db, "103", "张三", prompt).saved);
    ASSERT_TRUE(addOperator(db, "104", "李四", prompt).saved);
    insertVoucher("0001", "102", "104");
    const std::pair<std::string, std::string> refusals[] = {
        {"", "对不起，没有选择删除对象！"},
        {"101", "不允许删除代码为101的操作员！"},
        {"102", "该操作员本年度已有操作记录，不能删除！"}, // the maker of a voucher
        {"104", "该操作员本年度已有操作记录，不能删除！"}, // its reviewer
        {"109", "无此操作员！"},
    };
    for (const auto& [code, message] : refusals) {
        prompt.clear();
        EXPECT_FALSE(deleteOperator(db, code, prompt)) << code;
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{message}) << code;
    }
    EXPECT_EQ(operatorRows().size(), 4u);

    prompt.clear();
    EXPECT_TRUE(deleteOperator(db, "103", prompt));
    EXPECT_TRUE(prompt.entries().empty()) << "no question, no message";
    EXPECT_EQ(rightRows("103"), std::vector<std::string>{});
    EXPECT_EQ(operatorRows(), (std::vector<std::string>{"101|管理员|", "102|×××|", "104|李四|"}));
}

TEST_F(Operators, FieldsTakeOnlyWhatTheChecksAccept)
{
    EXPECT_TRUE(fitsOperatorCodeField(""));
    EXPECT_TRUE(fitsOperatorCodeField("10"));
    EXPECT_TRUE(fitsOperatorCodeField("103"));
    EXPECT_FALSE(fitsOperatorCodeField("1034"));
    EXPECT_FALSE(fitsOperatorCodeField("1 3"));
    EXPECT_FALSE(fitsOperatorCodeField("a"));
    EXPECT_TRUE(fitsOperatorTextField("张三李四", 8));
    EXPECT_FALSE(fitsOperatorTextField("张三李四x", 8));
    EXPECT_TRUE(fitsOperatorTextField("a b", 8));
    for (const char* bad : {"|", "[", "]", "'", "\"", "\n"})
        EXPECT_FALSE(fitsOperatorTextField(std::string("a") + bad, 10)) << bad;
}

class OwnPassword : public Operators {
protected:
    OwnPassword()
    {
        ScriptedPrompt loginPrompt;
        EXPECT_TRUE(confirmLogin(env, path, "102", "", loginPrompt));
    }

    std::vector<std::string> passwordOf102() { return rows("SELECT PSD FROM OPR WHERE OPNO='102'"); }

    CKszwEnv env;
};

TEST_F(OwnPassword, ASetPasswordIsWrittenAndTakenByTheLoginStateAtOnce)
{
    EXPECT_EQ(setOwnPassword(env, "秘密ab", "秘密ab", prompt), PasswordResult::Set);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"您的口令设置成功，请牢记之！"});
    EXPECT_EQ(passwordOf102(), std::vector<std::string>{"秘密ab"});
    EXPECT_TRUE(env.passwordMatches("秘密ab"));
    EXPECT_FALSE(env.passwordMatches(""));
    EXPECT_EQ(permissionsAfterLogin("102", "秘密ab").substr(0, 5), "0201 ");
}

TEST_F(OwnPassword, AnEmptyPasswordCancelsIt)
{
    ASSERT_EQ(setOwnPassword(env, "abc", "abc", prompt), PasswordResult::Set);
    prompt.clear();
    EXPECT_EQ(setOwnPassword(env, "", "", prompt), PasswordResult::Cancelled);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"您的口令已被取消!"});
    EXPECT_EQ(passwordOf102(), std::vector<std::string>{"NULL"});
    EXPECT_TRUE(env.passwordMatches(""));
    EXPECT_FALSE(env.passwordMatches("abc"));
}

TEST_F(OwnPassword, ADifferentConfirmationChangesNothing)
{
    EXPECT_EQ(setOwnPassword(env, "abc", "abd", prompt), PasswordResult::Mismatch);
    EXPECT_EQ(setOwnPassword(env, "abc", "", prompt), PasswordResult::Mismatch);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>(2, "确认的口令与先前输入的不一致。"));
    EXPECT_EQ(passwordOf102(), std::vector<std::string>{""});
    EXPECT_TRUE(env.passwordMatches(""));
}

TEST_F(OwnPassword, PasswordsThatCouldNotBeTypedAtLoginOrStoredAreRefused)
{
    const std::pair<std::string, std::string> cases[] = {
        {"12345678901", "口令不能超过10个字节（5个汉字），请重输！"},
        {"口令口令口令", "口令不能超过10个字节（5个汉字），请重输！"},
        {"a'b", "口令中输入了无效字符，请重输！"},
        {"a\"b", "口令中输入了无效字符，请重输！"},
        {"[ab]", "口令中输入了无效字符，请重输！"},
        {" abc", "口令的首尾不能是空格，请重输！"},
        {"abc ", "口令的首尾不能是空格，请重输！"},
    };
    for (const auto& [password, message] : cases) {
        prompt.clear();
        EXPECT_FALSE(checkNewPassword(password, prompt)) << password;
        EXPECT_EQ(setOwnPassword(env, password, password, prompt), PasswordResult::Refused) << password;
        EXPECT_EQ(prompt.texts(), std::vector<std::string>(2, message)) << password;
    }
    EXPECT_EQ(passwordOf102(), std::vector<std::string>{""});
    for (const char* fine : {"口令口令口", "a b", "1234567890"})
        EXPECT_TRUE(checkNewPassword(fine, prompt)) << fine;
}

TEST_F(OwnPassword, AnOperatorDeletedMeanwhileIsToldNotReportedAsSuccess)
{
    db.execute("DELETE FROM OPR WHERE OPNO='102'");
    EXPECT_EQ(setOwnPassword(env, "abc", "abc", prompt), PasswordResult::Refused);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"无此操作员！"});
    EXPECT_TRUE(env.passwordMatches(""));
}

} // namespace
} // namespace kszw
