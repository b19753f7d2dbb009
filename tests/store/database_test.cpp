#include "store/database.h"
#include "store/database_error.h"
#include "store/ks_dbset.h"
#include "store/transaction.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kszw {
namespace {

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.execute("CREATE TABLE SYSTAB(NA CHAR(40),KJ CHAR(8),AN CHAR(10),PY LONG,MM LONG,JT CHAR(3),"
                   "T1 CHAR(8),T13 CHAR(8))");
        db.execute("INSERT INTO SYSTAB(NA,KJ,PY,MM,JT,T1,T13) VALUES('单位  ','张三',2026,3,'031','20260101',"
                   "'20261231')");
        db.execute("CREATE TABLE OPR(OPNO CHAR(3),NA CHAR(8),PSD CHAR(10))");
        db.execute("INSERT INTO OPR VALUES('101','管理员',NULL)");
        db.execute("INSERT INTO OPR VALUES('102','×××','abc')");
    }

    test::TempDir dir;
    Database db = Database::create(dir.file("2026.ksk"));
};

TEST_F(DatabaseTest, CreateRefusesAnExistingFile)
{
    EXPECT_THROW(Database::create(dir.file("2026.ksk")), DatabaseError);
    // The refused creation left the existing file alone.
    Database again = Database::open(dir.file("2026.ksk"));
    EXPECT_EQ(again.queryLong("SELECT count(*) FROM OPR"), 2);
}

TEST_F(DatabaseTest, OpenRefusesMissingAndForeignFiles)
{
    EXPECT_THROW(Database::open(dir.file("1999.ksk")), DatabaseError);
    std::ofstream(dir.file("2001.ksk")) << "this is a text file, not a year data file, long enough to matter\n"
                                        << std::string(200, 'x');
    EXPECT_THROW(Database::open(dir.file("2001.ksk")), DatabaseError);
}

TEST_F(DatabaseTest, EngineErrorsCarryTheEngineText)
{
    try {
        db.execute("INSERT INTO NOSUCH VALUES(1)");
        FAIL() << "no error raised";
    } catch (const DatabaseError& error) {
        // The server folds the names it is given to small letters.
        EXPECT_NE(std::string(error.what()).find(db.onServer() ? "no such table: nosuch" : "no such table: NOSUCH"),
                  std::string::npos)
            << error.what();
    }
}

TEST_F(DatabaseTest, QueryLongNeedsARowQueryLongOrZeroDoesNot)
{
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM OPR WHERE opno=?1", {std::string("102")}), 1);
    EXPECT_THROW(db.queryLong("SELECT PY FROM SYSTAB WHERE PY=1"), DatabaseError);
    EXPECT_EQ(db.queryLongOrZero("SELECT PY FROM SYSTAB WHERE PY=1"), 0);
    EXPECT_EQ(db.queryLongOrZero("SELECT PY FROM SYSTAB"), 2026);
    // SUM over no rows is NULL, read as 0.
    EXPECT_EQ(db.queryLong("SELECT sum(PY) FROM SYSTAB WHERE PY=1"), 0);
}

TEST_F(DatabaseTest, ValuesAreBoundNeverFormattedIntoTheStatement)
{
    const std::string hostile = "x'); DROP TABLE OPR; --";
    db.execute("INSERT INTO OPR(OPNO,NA) VALUES('103',?1)", {hostile});
    EXPECT_EQ(db.queryText("SELECT NA FROM OPR WHERE OPNO='103'").value(), hostile);
    EXPECT_TRUE(db.tableExists("opr"));
}

TEST(CountFor, TakesTheTextFromFromUpToOrder)
{
    EXPECT_EQ(countStatementFor("SELECT trim(kno),na FROM subt WHERE clas=1 ORDER BY VAL(trim(kno))"),
              "SELECT COUNT(*) FROM subt WHERE clas=1 ");
    EXPECT_EQ(countStatementFor("SELECT a FROM t"), "SELECT COUNT(*) FROM t");
    // Lower-case keywords are not found: the statements spell them in capitals.
    EXPECT_THROW(countStatementFor("select a from t"), DatabaseError);
}

TEST_F(DatabaseTest, CountForCountsTheRowsOfTheSelect)
{
    EXPECT_EQ(db.countFor("SELECT trim(opno),na FROM OPR WHERE opno>?1 ORDER BY opno", {std::string("100")}), 2);
}

TEST_F(DatabaseTest, DbsetNamesComputedColumnsExprInSelectOrder)
{
    KS_Dbset header(db);
    header.open("SELECT rtrim(NA),rtrim(KJ),PY,MM,JT,T1,T13 FROM SYSTAB");
    const std::vector<std::string> expected = {"Expr1000", "Expr1001", "PY", "MM", "JT", "T1", "T13"};
    for (int c = 0; c < header.columnCount(); ++c)
        EXPECT_EQ(header.boundName(c), expected[static_cast<size_t>(c)]);

    // The classic buffer: 2 integer columns, 5 text columns bound by name, case-blind.
    KS_Dbset classic(2, 0, 5, db);
    classic.setLongName(0, "PY");
    classic.setLongName(1, "mm");
    const char* texts[] = {"EXpr1000", "Expr1001", "JT", "T1", "T13"};
    for (int i = 0; i < 5; ++i)
        classic.setTextName(i, texts[i]);
    classic.open("SELECT rtrim(NA),rtrim(KJ),PY,MM,JT,T1,T13 FROM SYSTAB");
    ASSERT_FALSE(classic.isEOF());
    EXPECT_EQ(classic.longValue(0), 2026);
    EXPECT_EQ(classic.longValue(1), 3);
    EXPECT_EQ(classic.textValue(0), "单位");
    EXPECT_EQ(classic.textValue(1), "张三");
    EXPECT_EQ(classic.textValue(4), "20261231");
}

TEST_F(DatabaseTest, DbsetReadsAggregatesAndNulls)
{
    KS_Dbset counts(1, 1, 0, db);
    counts.setLongName(0, "Expr1000");
    counts.setDoubleName(0, "Expr1001");
    counts.open("SELECT count(*),sum(PY*0.5) FROM SYSTAB");
    EXPECT_EQ(counts.longValue(0), 1);
    EXPECT_DOUBLE_EQ(counts.doubleValue(0), 1013.0);

    KS_Dbset ops(0, 0, 3, db);
    ops.setTextName(0, "Expr1000");
    ops.setTextName(1, "Expr1001");
    ops.setTextName(2, "Expr1002");
    std::vector<std::string> rows;
    for (ops.open("SELECT trim(opno),trim(na),trim(psd) FROM OPR ORDER BY opno"); !ops.isEOF(); ops.moveNext())
        rows.push_back(ops.textValue(0) + "|" + ops.textValue(1) + "|" + ops.textValue(2));
    EXPECT_EQ(rows, (std::vector<std::string>{"101|管理员|", "102|×××|abc"}));
    EXPECT_THROW(ops.moveNext(), DatabaseError);
}

TEST_F(DatabaseTest, DbsetCutsTextAt255Characters)
{
    db.execute("CREATE TABLE long_text(v CHAR(300))");
    std::string chinese;
    for (int i = 0; i < 300; ++i)
        chinese += "帐";
    db.execute("INSERT INTO long_text VALUES(?1)", {chinese});
    KS_Dbset reader(db);
    reader.open("SELECT v FROM long_text");
    std::string expected;
    for (int i = 0; i < 255; ++i)
        expected += "帐";
    EXPECT_EQ(reader.textAt(0), expected);
}

TEST_F(DatabaseTest, DbsetUnknownColumnNameIsAnError)
{
    KS_Dbset buffer(1, 0, 0, db);
    buffer.setLongName(0, "Expr1005");
    EXPECT_THROW(buffer.open("SELECT count(*) FROM OPR"), DatabaseError);
}

TEST_F(DatabaseTest, TransactionRollsBackUnlessCommitted)
{
    {
        Transaction transaction(db);
        db.execute("DELETE FROM OPR");
    }
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM OPR"), 2);
    {
        Transaction transaction(db);
        db.execute("DELETE FROM OPR WHERE opno='102'");
        transaction.commit();
    }
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM OPR"), 1);
}

TEST_F(DatabaseTest, NestedTransactionIsASavepoint)
{
    Transaction outer(db);
    db.execute("INSERT INTO OPR VALUES('103','甲','')");
    {
        Transaction inner(db);
        db.execute("INSERT INTO OPR VALUES('104','乙','')");
    } // inner rolled back alone
    {
        Transaction inner(db);
        db.execute("INSERT INTO OPR VALUES('105','丙','')");
        inner.commit();
    }
    outer.commit();
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM OPR"), 4);
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM OPR WHERE opno='104'"), 0);
}

TEST_F(DatabaseTest, AFailingStatementLeavesNothingOfTheOperation)
{
    try {
        Transaction transaction(db);
        db.execute("DELETE FROM OPR");
        db.execute("INSERT INTO NOSUCH VALUES(1)");
        transaction.commit();
    } catch (const DatabaseError&) {
    }
    EXPECT_EQ(db.queryLong("SELECT count(*) FROM OPR"), 2);
}

TEST_F(DatabaseTest, SecondConnectionSeesCommittedWork)
{
    Database other = Database::open(dir.file("2026.ksk"));
    db.execute("INSERT INTO OPR VALUES('103','甲','')");
    EXPECT_EQ(other.queryLong("SELECT count(*) FROM OPR"), 3);
}

} // namespace
} // namespace kszw
