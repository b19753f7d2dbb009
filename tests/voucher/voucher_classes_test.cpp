// Voucher classes: the class list of voucher numbers, the class dialog's lines, the checks of adding
// and modifying in their order with their messages, re-coding a class's vouchers in CERDIR and P0,
// deleting, and the checks that are made again inside the writing transaction.
#include "accountset/year_file.h"
#include "common/prompt.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/ks_dbset.h"
#include "support/temp_dir.h"
#include "voucher/voucher_classes.h"
#include "support/engine_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kszw {
namespace {

class VoucherClasses : public ::testing::Test {
protected:
    VoucherClasses() : path(dir.file("2026.ksk"))
    {
        createYearFile(path, 2026);
        db = Database::open(path);
    }

    // Adds a class through the operation; fails the test when refused.
    void addClass(const std::string& code, const std::string& name)
    {
        ScriptedPrompt quiet;
        const ClassSaveResult result = addVoucherClass(db, code, name, quiet);
        ASSERT_TRUE(result.saved) << code << ": " << quiet.last();
    }

    // A voucher of two lines, as voucher entry writes it (the connection may be another copy's).
    static void insertVoucher(Database& connection, const std::string& date, const std::string& number,
                              const std::string& month = "01")
    {
        connection.execute("INSERT INTO CERDIR(T,CER,OPP,OPN,PN,LY,MK,TT) VALUES(?1,?2,'102',NULL,1,'0','2',?3)",
                           {date, number, month});
        for (std::int64_t row = 1; row <= 2; ++row)
            connection.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) "
                               "VALUES(?1,?2,?3,'提现','1001',?4,100,0,'2',?5)",
                               {date, number, row, row == 1 ? std::int64_t{1} : std::int64_t{-1}, month});
    }
    void insertVoucher(const std::string& date, const std::string& number, const std::string& month = "01")
    {
        insertVoucher(db, date, number, month);
    }

    // An opening-balance row (number of four blanks).
    void insertOpeningRow()
    {
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) "
                   "VALUES('20260101','    ',0,'期初余额','1001',1,500,0,'4','01')");
    }

    // Every row of a query, its columns joined by "|".
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
    std::vector<std::string> classRows() { return rows("SELECT CNO,NA FROM CERCLS ORDER BY CNO"); }
    std::vector<std::string> headerRows() { return rows("SELECT T,CER,OPP,PN,MK,TT FROM CERDIR ORDER BY T,CER"); }
    std::vector<std::string> lineRows() { return rows("SELECT T,CER,RN,F,MY,MK,TT FROM P0 ORDER BY T,CER,RN"); }

    test::TempDir dir;
    std::string path;
    Database db;
    ScriptedPrompt prompt;
};

TEST_F(VoucherClasses, ClassListJoinsTheCodesAndGivesTheirLength)
{
    ClassList none = classList(db);
    EXPECT_TRUE(none.codes.empty());
    EXPECT_EQ(none.list, "");
    EXPECT_EQ(none.codeLength, 0);

    addClass("B", "付款凭证");
    addClass("A", "收款凭证");
    ClassList two = classList(db);
    EXPECT_EQ(two.codes, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(two.list, "A B ");
    EXPECT_EQ(two.codeLength, 1);
}

TEST_F(VoucherClasses, ClassListOfTwoCharacterCodesTrimsStoredBlanks)
{
    db.execute("INSERT INTO CERCLS(CNO,NA) VALUES('XZ','转账'),(' SK','收款')");
    ClassList list = classList(db);
    EXPECT_EQ(list.list, "SK XZ ");
    EXPECT_EQ(list.codeLength, 2);
}

TEST_F(VoucherClasses, ListLinesKeepCodeAndNameInTheirColumns)
{
    db.execute("INSERT INTO CERCLS(CNO,NA) VALUES('B ','付款凭证  '),('A','收款凭证')");
    const std::vector<VoucherClassLine> lines = listVoucherClasses(db);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "A     收款凭证");
    EXPECT_EQ(lines[1].text, "B     付款凭证");
    EXPECT_EQ(lines[1].code, "B");
    EXPECT_EQ(lines[1].name, "付款凭证");
    EXPECT_EQ(voucherClassLine("XZ", "转账"), "XZ    转账");
}

TEST_F(VoucherClasses, TypedLowerCaseAndBlanksAreStoredAsCapitalsWithout)
{
    ClassSaveResult result = addVoucherClass(db, "a", " 收款凭证 ", prompt);
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(result.code, "A");
    EXPECT_EQ(result.name, "收款凭证");
    result = addVoucherClass(db, " b", "付款凭证", prompt);
    EXPECT_EQ(result.code, "B");
    EXPECT_TRUE(prompt.entries().empty()) << prompt.last();
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|收款凭证", "B|付款凭证"}));
}

struct AddRefusal {
    const char* code;
    const char* name;
    std::string message;
    ClassField field;
};

TEST_F(VoucherClasses, AddingIsRefusedInTheDialogsOrderWithClassADefined)
{
    addClass("A", "收款凭证");
    const std::vector<AddRefusal> cases = {
        {"", "付款凭证", std::string(kEmptyClassCode), ClassField::Code},
        {"  ", "付款凭证", std::string(kEmptyClassCode), ClassField::Code},
        {"B-", "付款凭证", std::string(kInvalidClassCode), ClassField::Code},
        {"银", "付款凭证", std::string(kInvalidClassCode), ClassField::Code},
        {"BC", "付款凭证", "类别字应为1个字符，请重输!", ClassField::Code},
        {"BC", "", "类别字应为1个字符，请重输!", ClassField::Code},
        {"B", "", std::string(kEmptyClassName), ClassField::Name},
        {"B", "   ", std::string(kEmptyClassName), ClassField::Name},
        {"B", "付款|凭证", std::string(kInvalidClassName), ClassField::Name},
        {"B", "付款'凭证", std::string(kInvalidClassName), ClassField::Name},
        {"B", "一二三四五六七八九十一", std::string(kClassNameTooLong), ClassField::Name},
        {"A", "收款二", std::string(kDuplicateClassCode), ClassField::Code},
        {"a", "收款二", std::string(kDuplicateClassCode), ClassField::Code},
    };
    for (const AddRefusal& refusal : cases) {
        prompt.clear();
        const ClassSaveResult result = addVoucherClass(db, refusal.code, refusal.name, prompt);
        EXPECT_FALSE(result.saved) << refusal.code << "/" << refusal.name;
        EXPECT_EQ(result.field, refusal.field) << refusal.code << "/" << refusal.name;
        ASSERT_EQ(prompt.entries().size(), 1u) << refusal.code << "/" << refusal.name;
        EXPECT_EQ(prompt.entries()[0].text, refusal.message) << refusal.code << "/" << refusal.name;
        EXPECT_EQ(prompt.entries()[0].caption, "岚屿穗软件");
        EXPECT_EQ(prompt.entries()[0].icon, Icon::Exclamation);
    }
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|收款凭证"}));
    // Twenty bytes is the limit, not over it.
    EXPECT_TRUE(addVoucherClass(db, "B", "一二三四五六七八九十", prompt).saved);
}

TEST_F(VoucherClasses, TheFirstClassMayHaveTwoCharactersButNotThree)
{
    EXPECT_FALSE(addVoucherClass(db, "ABC", "收款", prompt).saved);
    EXPECT_EQ(prompt.last(), kClassCodeTooLong);
    EXPECT_TRUE(addVoucherClass(db, "sk", "收款", prompt).saved);
    EXPECT_FALSE(addVoucherClass(db, "F", "付款", prompt).saved);
    EXPECT_EQ(prompt.last(), "类别字应为2个字符，请重输!");
    EXPECT_EQ(classRows(), (std::vector<std::string>{"SK|收款"}));
}

TEST_F(VoucherClasses, RecodingAToBRenumbersItsVouchersInBothTablesAndNothingElse)
{
    addClass("A", "收款凭证");
    addClass("C", "转账凭证");
    insertOpeningRow();
    insertVoucher("20260115", "A012");
    insertVoucher("20260220", "A001", "02");
    insertVoucher("20260115", "C003");

    const ClassSaveResult result = modifyVoucherClass(db, "A", "b", "现收凭证", prompt);
    ASSERT_TRUE(result.saved) << prompt.last();
    EXPECT_EQ(result.code, "B");
    EXPECT_EQ(classRows(), (std::vector<std::string>{"B|现收凭证", "C|转账凭证"}));
    EXPECT_EQ(headerRows(), (std::vector<std::string>{"20260115|B012|102|1|2|01", "20260115|C003|102|1|2|01",
                                                      "20260220|B001|102|1|2|02"}));
    EXPECT_EQ(lineRows(), (std::vector<std::string>{
                              "20260101|    |0|1|500.0|4|01",
                              "20260115|B012|1|1|100.0|2|01",
                              "20260115|B012|2|-1|100.0|2|01",
                              "20260115|C003|1|1|100.0|2|01",
                              "20260115|C003|2|-1|100.0|2|01",
                              "20260220|B001|1|1|100.0|2|02",
                              "20260220|B001|2|-1|100.0|2|02",
                          }));
}

TEST_F(VoucherClasses, RecodingTwoCharacterClassesKeepsTheRestOfTheNumber)
{
    addClass("SK", "收款");
    addClass("FK", "付款");
    insertVoucher("20260115", "SK12");
    insertVoucher("20260115", "FK12");
    ASSERT_TRUE(modifyVoucherClass(db, "SK", "XS", "现收", prompt).saved) << prompt.last();
    EXPECT_EQ(rows("SELECT CER FROM CERDIR ORDER BY CER"), (std::vector<std::string>{"FK12", "XS12"}));
    EXPECT_EQ(rows("SELECT DISTINCT CER FROM P0 ORDER BY CER"), (std::vector<std::string>{"FK12", "XS12"}));
}

TEST_F(VoucherClasses, RecodingToATakenCodeIsRefusedAndChangesNothing)
{
    addClass("A", "收款凭证");
    addClass("B", "付款凭证");
    insertVoucher("20260115", "A012");
    const std::vector<std::string> headers = headerRows();
    const std::vector<std::string> lines = lineRows();

    const ClassSaveResult result = modifyVoucherClass(db, "A", "B", "收款凭证", prompt);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.field, ClassField::Code);
    EXPECT_EQ(prompt.last(), kDuplicateClassCode);
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|收款凭证", "B|付款凭证"}));
    EXPECT_EQ(headerRows(), headers);
    EXPECT_EQ(lineRows(), lines);
}

TEST_F(VoucherClasses, RenamingWithoutANewCodeTouchesNoVoucher)
{
    addClass("A", "收款凭证");
    addClass("B", "付款凭证");
    insertVoucher("20260115", "A012");
    const std::vector<std::string> headers = headerRows();
    const std::vector<std::string> lines = lineRows();

    // The other classes are those besides the one modified: keeping its own code is no duplicate.
    ASSERT_TRUE(modifyVoucherClass(db, "A", "a", "现金收款", prompt).saved) << prompt.last();
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|现金收款", "B|付款凭证"}));
    EXPECT_EQ(headerRows(), headers);
    EXPECT_EQ(lineRows(), lines);
}

TEST_F(VoucherClasses, ModifyingChecksTheLengthAgainstTheOtherClassesOnly)
{
    addClass("A", "收款凭证");
    // The only class, in a year without vouchers, may take a code of another length.
    ASSERT_TRUE(modifyVoucherClass(db, "A", "SK", "收款凭证", prompt).saved) << prompt.last();
    addClass("FK", "付款凭证");
    EXPECT_FALSE(modifyVoucherClass(db, "SK", "S", "收款凭证", prompt).saved);
    EXPECT_EQ(prompt.last(), "类别字应为2个字符，请重输!");
    EXPECT_EQ(classRows(), (std::vector<std::string>{"FK|付款凭证", "SK|收款凭证"}));
}

TEST_F(VoucherClasses, RecodingAClassWithVouchersKeepsTheLengthOfItsCode)
{
    addClass("A", "收款凭证");
    insertVoucher("20260115", "A012");
    const std::vector<std::string> lines = lineRows();

    // AB012 would not fit the four characters of a voucher number.
    const ClassSaveResult result = modifyVoucherClass(db, "A", "AB", "收款凭证", prompt);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.field, ClassField::Code);
    EXPECT_EQ(prompt.last(), "类别字应为1个字符，请重输!");
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|收款凭证"}));
    EXPECT_EQ(lineRows(), lines);
    // Of the same length it may change.
    EXPECT_TRUE(modifyVoucherClass(db, "A", "S", "收款凭证", prompt).saved);
    EXPECT_EQ(rows("SELECT CER FROM CERDIR"), (std::vector<std::string>{"S012"}));
}

TEST_F(VoucherClasses, TheOnlyClassOfAYearWithVouchersKeepsItsLength)
{
    addClass("A", "收款凭证");
    // A voucher of no class of this file (written by another program of the family).
    insertVoucher("20260115", "0012");
    EXPECT_FALSE(modifyVoucherClass(db, "A", "SK", "收款凭证", prompt).saved);
    EXPECT_EQ(prompt.last(), "类别字应为1个字符，请重输!");
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|收款凭证"}));
}

TEST_F(VoucherClasses, RecodingOntoNumbersThatAlreadyCarryTheNewCodeIsRefused)
{
    addClass("A", "收款凭证");
    insertVoucher("20260115", "A012");
    // Another program of the family numbered a voucher with B: A012 would become a second B012.
    insertVoucher("20260115", "B012");
    const ClassSaveResult result = modifyVoucherClass(db, "A", "B", "收款凭证", prompt);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.field, ClassField::Code);
    EXPECT_EQ(prompt.last(), kClassPrefixTaken);
    EXPECT_EQ(rows("SELECT CER FROM CERDIR ORDER BY CER"), (std::vector<std::string>{"A012", "B012"}));
    // A class without vouchers renumbers nothing, so the code is free for it.
    addClass("C", "转账凭证");
    EXPECT_TRUE(modifyVoucherClass(db, "C", "B", "转账凭证", prompt).saved) << prompt.last();
}

TEST_F(VoucherClasses, ModifyingAClassThatIsGoneIsRefused)
{
    addClass("A", "收款凭证");
    const ClassSaveResult result = modifyVoucherClass(db, "F", "G", "付款凭证", prompt);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.field, ClassField::None);
    EXPECT_EQ(prompt.last(), kClassMissing);
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|收款凭证"}));
}

TEST_F(VoucherClasses, RecodingIsOneTransaction)
{
    addClass("A", "收款凭证");
    insertVoucher("20260115", "A012");
    // The lines cannot be renumbered: the headers, renumbered first, must come back too.
    test::addRefusingTrigger(db, "refuse_lines", "BEFORE UPDATE", "P0", "", "locked");
    EXPECT_THROW(modifyVoucherClass(db, "A", "B", "付款凭证", prompt), DatabaseError);
    EXPECT_EQ(rows("SELECT CER FROM CERDIR"), (std::vector<std::string>{"A012"}));
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|收款凭证"}));
    EXPECT_FALSE(db.inTransaction());
}

TEST_F(VoucherClasses, AClassWithVouchersCannotBeDeleted)
{
    addClass("A", "收款凭证");
    addClass("B", "付款凭证");
    insertVoucher("20260115", "A012");
    EXPECT_FALSE(deleteVoucherClass(db, "A", prompt));
    EXPECT_EQ(prompt.last(), kClassHasVouchers);
    EXPECT_EQ(prompt.entries().back().icon, Icon::Exclamation);
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|收款凭证", "B|付款凭证"}));

    // B has none: it goes without a question.
    prompt.clear();
    EXPECT_TRUE(deleteVoucherClass(db, "B", prompt));
    EXPECT_TRUE(prompt.entries().empty());
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|收款凭证"}));
}

TEST_F(VoucherClasses, AfterTheLastClassGoesAYearWithVouchersTakesNoClassAgain)
{
    addClass("A", "收款凭证");
    EXPECT_TRUE(mayOpenClassList(db, prompt));
    insertVoucher("20260115", "0012");
    EXPECT_TRUE(mayOpenClassList(db, prompt)); // classes exist: the list opens
    EXPECT_TRUE(deleteVoucherClass(db, "A", prompt));
    EXPECT_TRUE(prompt.entries().empty());

    EXPECT_TRUE(classesClosedForYear(db));
    EXPECT_FALSE(mayOpenClassList(db, prompt));
    ASSERT_EQ(prompt.entries().size(), 1u);
    EXPECT_EQ(prompt.last(), "本年度已有记帐凭证，不能再设置凭证类别!");
    EXPECT_EQ(prompt.entries()[0].caption, "岚屿穗软件");
}

TEST_F(VoucherClasses, TheFirstClassIsRefusedWhenAnotherCopySavedAVoucherMeanwhile)
{
    ASSERT_TRUE(mayOpenClassList(db, prompt));
    {
        Database otherCopy = Database::open(path);
        insertVoucher(otherCopy, "20260115", "0001");
    }
    const ClassSaveResult result = addVoucherClass(db, "A", "收款凭证", prompt);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(result.field, ClassField::None);
    EXPECT_EQ(prompt.last(), kClassesClosedForYear);
    EXPECT_TRUE(classRows().empty());
}

TEST_F(VoucherClasses, DeletingCountsTheVouchersAgainWhenAnotherCopySavedOneMeanwhile)
{
    addClass("A", "收款凭证");
    addClass("B", "付款凭证");
    ASSERT_EQ(countClassVouchers(db, "A"), 0); // what the list saw
    {
        Database otherCopy = Database::open(path);
        insertVoucher(otherCopy, "20260115", "A001");
    }
    EXPECT_FALSE(deleteVoucherClass(db, "A", prompt));
    EXPECT_EQ(prompt.last(), kClassHasVouchers);
    EXPECT_EQ(classRows(), (std::vector<std::string>{"A|收款凭证", "B|付款凭证"}));
}

TEST_F(VoucherClasses, VoucherCountsOfAClassCompareTheCodeExactly)
{
    addClass("A", "收款凭证");
    insertVoucher("20260115", "A001");
    insertVoucher("20260116", "a002");
    insertOpeningRow();
    EXPECT_EQ(countClassVouchers(db, "A"), 1);
    EXPECT_EQ(countClassVouchers(db, "B"), 0);
}

} // namespace
} // namespace kszw
