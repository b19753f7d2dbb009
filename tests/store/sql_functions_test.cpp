#include "store/database.h"
#include "store/sql_functions.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>

namespace kszw {
namespace {

// Switches LC_NUMERIC, while it lives, to a locale whose decimal point is a comma, as the GUI
// does for a German or French user, and restores the previous locale (and LOCPATH) afterwards.
// An installed locale is taken when there is one; otherwise localedef builds one that holds only
// the numeric conventions into a temporary folder, found through LOCPATH (nothing on the system
// changes). active() is false when neither works.
class CommaDecimalLocale {
public:
    CommaDecimalLocale()
    {
        m_previous = std::setlocale(LC_NUMERIC, nullptr);
        if (const char* path = std::getenv("LOCPATH"))
            m_previousLocpath = path;
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "fr_FR",
                                 "ru_RU.UTF-8", "es_ES.UTF-8", "it_IT.UTF-8", "nl_NL.UTF-8"})
            if (use(name))
                return;
        if (!buildLocale())
            std::setlocale(LC_NUMERIC, m_previous.c_str());
    }
    ~CommaDecimalLocale()
    {
        std::setlocale(LC_NUMERIC, m_previous.c_str());
        if (m_previousLocpath)
            setenv("LOCPATH", m_previousLocpath->c_str(), 1);
        else
            unsetenv("LOCPATH");
    }
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    bool active() const { return !m_name.empty(); }
    const std::string& name() const { return m_name; }
    const std::string& previous() const { return m_previous; }

private:
    bool use(const char* name)
    {
        if (!std::setlocale(LC_NUMERIC, name) || std::string_view(std::localeconv()->decimal_point) != ",")
            return false;
        m_name = name;
        return true;
    }

    bool buildLocale()
    {
        const std::string source = m_folder.file("comma_numeric");
        std::ofstream(source) << "LC_NUMERIC\n"
                                 "decimal_point \"<U002C>\"\n"
                                 "thousands_sep \"<U002E>\"\n"
                                 "grouping      3;3\n"
                                 "END LC_NUMERIC\n";
        // -c writes the locale although the other categories are missing (and says so).
        std::string output;
        test::runCommand("localedef -c -i " + test::shellQuote(source) + " " +
                             test::shellQuote(m_folder.file("xx_XX")),
                         output, true);
        setenv("LOCPATH", m_folder.path().c_str(), 1);
        return use("xx_XX");
    }

    test::TempDir m_folder;
    std::string m_previous;
    std::optional<std::string> m_previousLocpath;
    std::string m_name;
};

class SqlFunctions : public ::testing::Test {
protected:
    test::TempDir dir;
    Database db = Database::create(dir.file("2026.ksk"));

    std::string text(const std::string& sql) { return db.queryText(sql).value_or("<null>"); }
    double number(const std::string& sql) { return db.queryDouble(sql).value_or(-999); }
};

TEST_F(SqlFunctions, ValReadsTheLeadingNumber)
{
    struct Case {
        const char* expression;
        double value;
    };
    const Case cases[] = {
        {"val(' 12abc')", 12},  {"val('')", 0},        {"val('abc')", 0},     {"val('  -3.5x')", -3.5},
        {"val('101-01')", 101}, {"val('1e3')", 1000},  {"val('1e')", 1},      {"val('.5')", 0.5},
        {"val('0012')", 12},    {"val(NULL)", 0},      {"val(42)", 42},       {"val('+7')", 7},
        {"val('-')", 0},        {"val('12.')", 12},    {"val('1.2.3')", 1.2}, {"val('\t9')", 9},
        {"val('1e400')", 0},    {"val('-1e-400')", 0}, {"val('2.5E-1')", 0.25},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(number(std::string("SELECT ") + c.expression), c.value) << c.expression;
}

TEST_F(SqlFunctions, ValOrdersSubjectCodesNumerically)
{
    db.execute("CREATE TABLE t(kno CHAR(14))");
    for (const char* code : {"1001", "501", "102", "21"})
        db.execute("INSERT INTO t VALUES(?1)", {std::string(code)});
    Statement rows = db.prepare("SELECT kno FROM t ORDER BY val(kno)");
    std::string order;
    while (rows.step())
        order += rows.columnText(0) + " ";
    EXPECT_EQ(order, "21 102 501 1001 ");
}

TEST_F(SqlFunctions, StrcompIsExactMinusOneZeroOne)
{
    struct Case {
        const char* expression;
        int value;
    };
    const Case cases[] = {
        {"strcomp('a','b',0)", -1},       {"strcomp('b','a',0)", 1},       {"strcomp('a','a',0)", 0},
        {"strcomp('A','a',0)", -1},       {"strcomp('a','A',1)", 0},       {"strcomp('    ','    ',0)", 0},
        {"strcomp('0001','    ',0)", 1},  {"strcomp('abc','abc ',0)", -1}, {"strcomp('12','2',0)", -1},
        {"abs(strcomp('0012','    ',0))", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(db.queryLong(std::string("SELECT ") + c.expression), c.value) << c.expression;
    EXPECT_EQ(text("SELECT strcomp(NULL,'a',0)"), "<null>");
}

TEST_F(SqlFunctions, CstrWritesTheShortestPlainText)
{
    struct Case {
        const char* expression;
        const char* text;
    };
    const Case cases[] = {
        {"cstr(12)", "12"},       {"cstr(12.0)", "12"},   {"cstr(0.1)", "0.1"},
        {"cstr(-3.25)", "-3.25"}, {"cstr(0.0)", "0"},     {"cstr(1234567.89)", "1234567.89"},
        {"cstr(0.1+0.2)", "0.3"}, {"cstr('abc')", "abc"}, {"cstr(1e20)", "100000000000000000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(std::string("SELECT ") + c.expression), c.text) << c.expression;
}

// val and cstr read and write "." whatever LC_NUMERIC says: under a German locale strtod read
// '12.5' as 12 and printf wrote 1,5.
TEST_F(SqlFunctions, NumbersKeepTheirDecimalPointUnderACommaLocale)
{
    std::string previous;
    {
        CommaDecimalLocale locale;
        previous = locale.previous();
        if (!locale.active())
            GTEST_SKIP() << "no locale with a decimal comma is installed and localedef could not build one";
        ASSERT_EQ(std::string_view(std::localeconv()->decimal_point), ",") << locale.name();

        struct Case {
            const char* expression;
            const char* text;
        };
        const Case cases[] = {
            {"cstr(1.5)", "1.5"},          {"cstr(-0.25)", "-0.25"},        {"cstr(0.1+0.2)", "0.3"},
            {"cstr(1234567.89)", "1234567.89"}, {"cstr(val('12.5'))", "12.5"}, {"cstr(val(' -3.75x'))", "-3.75"},
        };
        for (const Case& c : cases)
            EXPECT_EQ(text(std::string("SELECT ") + c.expression), c.text) << c.expression << " in " << locale.name();
        EXPECT_DOUBLE_EQ(number("SELECT val('12.5')"), 12.5);
        EXPECT_DOUBLE_EQ(number("SELECT val('1.5e3')"), 1500);
        EXPECT_DOUBLE_EQ(number("SELECT val('12,5')"), 12);
        EXPECT_DOUBLE_EQ(leadingNumber("0.125"), 0.125);
        EXPECT_EQ(numberToPlainText(2.5), "2.5");
    }
    EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), previous);
}

TEST(SqlFunctionHelpers, MatchTheSqlFunctions)
{
    EXPECT_DOUBLE_EQ(leadingNumber(" 12abc"), 12);
    EXPECT_EQ(compareStrings("a", "B", 0), 1);
    EXPECT_EQ(compareStrings("a", "B", 1), -1);
    EXPECT_EQ(numberToPlainText(-0.0), "0");
    EXPECT_EQ(numberToPlainText(100.5), "100.5");
}

} // namespace
} // namespace kszw
