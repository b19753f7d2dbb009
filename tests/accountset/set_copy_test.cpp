// Copying set-up information between account sets: which files may be the source (never the open
// file under another spelling, names completed with either spelling of the extension, the login's
// refusals), what may be ticked, what each item writes, and that the copy is all or nothing.
#include "accountset/set_copy.h"
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "chart/subjects.h"
#include "common/prompt.h"
#include "formview/print_settings.h"
#include "reports/report_definitions.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/file_hold.h"
#include "store/statement.h"
#include "support/temp_dir.h"
#include "templates/template_variables.h"
#include "templates/voucher_templates.h"
#include "support/engine_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace kszw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSourceChart = "code,name,kind,unit,multi_column,direction,width\n"
                                          "1001,库存现金,0,,0,0,0\n"
                                          "1002,银行存款,0,,0,0,0\n"
                                          "1002-1,工商银行,0,,0,0,0\n"
                                          "1403,原材料,1,吨,0,0,0\n"
                                          "6602,管理费用,0,,1,0,0\n"
                                          "6602-1,工资,0,,0,1,5\n"
                                          "6603,财务费用,0,,0,0,0\n";

using test::tableRows;

std::string contentOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

CopySelection only(std::initializer_list<CopyItem> items)
{
    CopySelection selection;
    for (CopyItem item : items)
        selection[item] = true;
    return selection;
}

class SetCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(dir.file("books"));
        fs::create_directory(dir.file("other"));
        current = dir.file("books/2026.ksk");
        source = dir.file("other/2007.ksk");
        createYearFile(current, 2026);
        createYearFile(source, 2007);
        {
            Database db = Database::open(source);
            db.execute("UPDATE SYSTAB SET NA='乙公司'");
            ASSERT_TRUE(importSubjects(db, kSourceChart).ok);
            ASSERT_TRUE(importCurrencies(db, "code,name,gain_loss_subject\n1,美元,6603\n").ok);
            ASSERT_TRUE(importSubjects(db, "code,name,kind,unit,multi_column,direction,width\n"
                                           "1002-2,美元户,2,1,0,0,0\n")
                            .ok);
            // A subject reserved for another program of the family.
            db.execute("UPDATE SUBT SET OP='5' WHERE KNO='1001'");
            ASSERT_FALSE(addTemplate(db, "5", "计提折旧"));
            ASSERT_FALSE(addTemplate(db, "8", "空模板"));
            for (const TemplateLine& line : {TemplateLine{1, "计提折旧", "6602-1", 1, "ye(\"1601\")*0.01"},
                                             TemplateLine{2, "计提折旧", "1002-1", -1, "#y*2"}})
            {
                const std::optional<LineRefusal> refusal = saveTemplateLine(db, 5, line, std::nullopt);
                ASSERT_FALSE(refusal) << refusal->message;
            }
            db.execute("INSERT INTO CERCLS(CNO,NA) VALUES('A','现金'),('B','银行'),('C','转帐')");
            db.execute("DELETE FROM KSVAR");
            db.execute("INSERT INTO KSVAR VALUES('#k','ye(\"1001\")','现金',1),('#m','pzt(1)','月',2)");
        }
        ASSERT_EQ(env.openFile(current, "101", prompt), kLoginOk);
    }

    std::optional<CopySource> choose(const std::string& name)
    {
        prompt.clear();
        return chooseCopySource(env, name, prompt);
    }

    CopyResult copy(const CopySelection& selection)
    {
        prompt.clear();
        return copySetInformation(env, source, selection, prompt,
                                  [this](const CopyProgress& progress) { steps.push_back(progress); });
    }

    test::TempDir dir;
    std::string current;
    std::string source;
    CKszwEnv env;
    ScriptedPrompt prompt;
    std::vector<CopyProgress> steps;
};

TEST_F(SetCopy, ChoosingASourceRefusesWithTheMessageOfEachCheck)
{
    KSZW_FILE_ENGINE_ONLY();
    // Files the login refuses, and a database that is no year file.
    fs::copy_file(source, dir.file("other/1989.ksk"));
    fs::copy_file(source, dir.file("other/2005.ksk"));
    ::chmod(dir.file("other/2005.ksk").c_str(), 0444);
    std::ofstream(dir.file("other/2008.ksk")) << "no database at all";
    Database::create(dir.file("other/2009.ksk")).execute("CREATE TABLE T(A LONG)");
    fs::create_directory(dir.file("other/2010.ksk"));

    struct Case {
        std::string chosen;
        std::string message;
    };
    const Case cases[] = {
        {current, "不能把自己拷贝到自己，请重新选择！"},
        {dir.file("books/./2026.ksk"), "不能把自己拷贝到自己，请重新选择！"},
        {dir.file("other/../books/2026"), "不能把自己拷贝到自己，请重新选择！"},
        {dir.file("books/2026.KSK"), "不能把自己拷贝到自己，请重新选择！"},
        {dir.file("other/2005"), "岚屿穗帐务数据文件不能是只读文件！"},
        {dir.file("other/2006"), "文件“" + dir.file("other/2006.KSK") + "”不存在，请重新选择！"},
        {dir.file("other/2007.txt"), "文件“" + dir.file("other/2007.txt.KSK") + "”不存在，请重新选择！"},
        {dir.file("other/1989"), "文件名不是由有效年度构成！"},
        {dir.file("other/2008.ksk"), "无法打开此文件！"},
        {dir.file("other/2009.ksk"), "无环境信息！"},
        {dir.file("other/2010.ksk"), "岚屿穗帐务数据文件不能是文件夹！"},
        {"  ", "文件名为空！"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(choose(c.chosen)) << c.chosen;
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{c.message}) << c.chosen;
        if (!prompt.entries().empty()) {
            EXPECT_EQ(prompt.entries()[0].icon, Icon::Exclamation);
            EXPECT_EQ(prompt.entries()[0].caption, "岚屿穗软件");
        }
    }
}

TEST_F(SetCopy, TheOpenFileIsRefusedThroughALinkToItsFolder)
{
    KSZW_FILE_ENGINE_ONLY();
    fs::create_directory_symlink(dir.file("books"), dir.file("alias"));
    EXPECT_FALSE(choose(dir.file("alias/2026.ksk")));
    EXPECT_EQ(prompt.last(), "不能把自己拷贝到自己，请重新选择！");
    fs::create_hard_link(current, dir.file("other/2011.ksk"));
    EXPECT_FALSE(choose(dir.file("other/2011.ksk")));
    EXPECT_EQ(prompt.last(), "不能把自己拷贝到自己，请重新选择！");
    // A folder named like the year beside it: the login's completion finds the open file itself.
    fs::create_directory(dir.file("books/2026"));
    EXPECT_FALSE(choose(dir.file("books/2026")));
    EXPECT_EQ(prompt.last(), "不能把自己拷贝到自己，请重新选择！");
}

TEST_F(SetCopy, ATypedNameFindsTheYearFileInEitherSpellingOfTheExtension)
{
    KSZW_FILE_ENGINE_ONLY();
    fs::create_directory(dir.file("upper"));
    fs::copy_file(source, dir.file("upper/2007.KSK"));
    struct Case {
        std::string chosen;
        std::string found;
    };
    const Case cases[] = {
        {dir.file("other/2007"), dir.file("other/2007.ksk")},
        {dir.file("other/2007."), dir.file("other/2007.ksk")},
        {dir.file("other/2007.KSK"), dir.file("other/2007.ksk")},
        {dir.file("upper/2007"), dir.file("upper/2007.KSK")},
        {dir.file("upper/2007.ksk"), dir.file("upper/2007.KSK")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(copySourcePath(c.chosen), c.found) << c.chosen;
        const std::optional<CopySource> chosen = choose(c.chosen);
        ASSERT_TRUE(chosen) << c.chosen << ": " << prompt.last();
        EXPECT_EQ(chosen->path, c.found);
        EXPECT_EQ(chosen->unitName, "乙公司");
    }
}

TEST_F(SetCopy, AvailabilityCountsTheSourceAndWhatTheCurrentFileBlocks)
{
    const std::optional<CopySource> chosen = choose(source);
    ASSERT_TRUE(chosen) << prompt.last();
    const CopyAvailability& counts = chosen->availability;
    EXPECT_EQ(counts.subjects, 8);
    EXPECT_EQ(counts.templateLines, 2);
    EXPECT_EQ(counts.classes, 3);
    EXPECT_EQ(counts.variables, 2);
    EXPECT_EQ(counts.fontRows, 40);
    EXPECT_EQ(counts.pageRows, 10);
    EXPECT_EQ(counts.currentLines, 0);
    EXPECT_EQ(counts.currentVouchers, 0);
    // The statements' definitions are offered once the source has stored its own.
    for (CopyItem item : kCopyItems)
        EXPECT_EQ(counts.available(item), item != CopyItem::Reports) << copyItemCaption(item);

    // An opening balance blocks the chart; a voucher blocks the classes as well.
    struct Case {
        const char* statement;
        bool chart;
        bool classes;
        const char* chartReason;
        const char* classReason;
    };
    const Case cases[] = {
        {"INSERT INTO P0 VALUES('20260101','    ',0,'期初余额','1001',1,100,0,'4','01')", false, true,
         "本帐套已有期初余额或凭证分录，不能拷贝会计科目！", nullptr},
        {"INSERT INTO CERDIR VALUES('20260105','0001','102',NULL,0,'0','2','01')", false, false,
         "本帐套已有期初余额或凭证分录，不能拷贝会计科目！", "本年度已有记帐凭证，不能拷贝凭证分类！"},
    };
    for (const Case& c : cases) {
        env.db().execute(c.statement);
        const std::optional<CopySource> again = choose(source);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->availability.available(CopyItem::Chart), c.chart) << c.statement;
        EXPECT_EQ(again->availability.available(CopyItem::Classes), c.classes) << c.statement;
        EXPECT_EQ(again->availability.unavailableReason(CopyItem::Chart).value_or(""), c.chartReason ? c.chartReason : "");
        EXPECT_EQ(again->availability.unavailableReason(CopyItem::Classes).value_or(""),
                  c.classReason ? c.classReason : "");
        EXPECT_TRUE(again->availability.available(CopyItem::Templates));
    }

    // A source without rows offers nothing of that kind.
    CopyAvailability empty;
    for (CopyItem item : kCopyItems)
        EXPECT_EQ(empty.unavailableReason(item).value_or(""), "对方帐套没有" + std::string(copyItemCaption(item)) + "！");
    empty.pageRows = 1;
    EXPECT_TRUE(empty.available(CopyItem::Formats));
}

TEST_F(SetCopy, TheCopiedChartReplacesTheCurrentOneAndEverySubjectIsOrdinary)
{
    ASSERT_TRUE(importSubjects(env.db(), "code,name,kind,unit,multi_column,direction,width\n9999,旧科目,0,,0,0,0\n").ok);
    const CopyResult result = copy(only({CopyItem::Chart}));
    ASSERT_EQ(result.outcome, CopyOutcome::Copied) << prompt.last();
    EXPECT_EQ(result.subjects, 8);
    EXPECT_TRUE(prompt.entries().empty());
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM SUBT WHERE KNO='9999'"), 0);
    Database db = Database::openReadOnly(source);
    EXPECT_EQ(tableRows(env.db(), "SUBT").size(), 8u);
    Statement rows = db.prepare("SELECT trim(KNO),trim(NA),CLAS FROM SUBT");
    while (rows.step()) {
        const std::optional<SubjectAttributes> copied = subjectAttributes(env.db(), rows.columnText(0));
        ASSERT_TRUE(copied) << rows.columnText(0);
        EXPECT_EQ(copied->name, rows.columnText(1));
        EXPECT_EQ(copied->level, rows.columnInt(2));
        EXPECT_EQ(copied->owner, "0") << rows.columnText(0);
        EXPECT_EQ(copied->kind, "0") << rows.columnText(0);
        EXPECT_EQ(copied->unit, "") << rows.columnText(0);
        EXPECT_EQ(copied->multiColumn, "0") << rows.columnText(0);
        EXPECT_EQ(copied->direction, 0);
        EXPECT_EQ(copied->width, 0);
    }
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM SUBT WHERE FZN IS NOT NULL"), 0);
}

TEST_F(SetCopy, AChartIsNeverCopiedIntoAFileWithOpeningBalances)
{
    ASSERT_TRUE(importSubjects(env.db(), "code,name,kind,unit,multi_column,direction,width\n1001,现金,0,,0,0,0\n").ok);
    env.db().execute("INSERT INTO P0 VALUES('20260101','    ',0,'期初余额','1001',1,100,0,'4','01')");
    ASSERT_FALSE(choose(source)->availability.available(CopyItem::Chart));
    const std::vector<std::string> before = tableRows(env.db(), "SUBT");
    const CopyResult result = copy(only({CopyItem::Chart, CopyItem::Classes}));
    EXPECT_EQ(result.outcome, CopyOutcome::Refused);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"本帐套已有期初余额或凭证分录，不能拷贝会计科目！"});
    EXPECT_EQ(tableRows(env.db(), "SUBT"), before);
    // Nothing of the other ticked item either.
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM CERCLS"), 0);
    EXPECT_TRUE(steps.empty());
}

TEST_F(SetCopy, AVoucherSavedAfterTheSourceWasChosenMakesTheCopyRefuse)
{
    const std::optional<CopySource> chosen = choose(source);
    ASSERT_TRUE(chosen && chosen->availability.available(CopyItem::Classes));
    {
        // Another copy of the program saves a voucher meanwhile.
        Database other = Database::open(current);
        other.execute("INSERT INTO CERDIR VALUES('20260105','0001','102',NULL,0,'0','2','01')");
    }
    EXPECT_EQ(copy(only({CopyItem::Classes, CopyItem::Templates})).outcome, CopyOutcome::Refused);
    EXPECT_EQ(prompt.last(), "本年度已有记帐凭证，不能拷贝凭证分类！");
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM CERCLS"), 0);
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM AUTDIR"), 0);
}

TEST_F(SetCopy, ATemplateTakesTheNextFreeNumberWithItsLines)
{
    ASSERT_FALSE(addTemplate(env.db(), "5", "已有五"));
    ASSERT_FALSE(addTemplate(env.db(), "6", "已有六"));
    const CopyResult result = copy(only({CopyItem::Templates}));
    ASSERT_EQ(result.outcome, CopyOutcome::Copied) << prompt.last();
    EXPECT_EQ(result.templates, 1);
    EXPECT_EQ(result.templateLines, 2);
    // Template 8 of the source has no lines and stays behind.
    std::vector<std::string> lines;
    for (const TemplateEntry& entry : listTemplates(env.db()))
        lines.push_back(templateListLine(entry));
    EXPECT_EQ(lines, (std::vector<std::string>{"5       已有五", "6       已有六", "7       计提折旧"}));
    EXPECT_EQ(tableRows(env.db(), "AUTCER"),
              (std::vector<std::string>{"7|1|'计提折旧'|'6602-1'|1|'ye(\"1601\")*0.01'",
                                        "7|2|'计提折旧'|'1002-1'|-1|'#y*2'"}));
}

TEST_F(SetCopy, TemplateNumbersBeyondTheUsualRangeAreNotLost)
{
    {
        Database db = Database::open(source);
        ASSERT_FALSE(addTemplate(db, "9999", "年末"));
        ASSERT_FALSE(saveTemplateLine(db, 9999, TemplateLine{1, "年末", "1001", 1, "1"}, std::nullopt));
    }
    ASSERT_FALSE(addTemplate(env.db(), "9999", "已有"));
    ASSERT_EQ(copy(only({CopyItem::Templates})).outcome, CopyOutcome::Copied);
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM AUTCER WHERE N=10000"), 1);
    EXPECT_EQ(env.db().queryText("SELECT NA FROM AUTDIR WHERE N=10000").value_or(""), "年末");
}

TEST_F(SetCopy, OnlyTheClassesTheCurrentFileLacksAreAdded)
{
    env.db().execute("INSERT INTO CERCLS(CNO,NA) VALUES('B','银行收付'),('D','其他')");
    const CopyResult result = copy(only({CopyItem::Classes}));
    ASSERT_EQ(result.outcome, CopyOutcome::Copied) << prompt.last();
    EXPECT_EQ(result.classes, 2);
    EXPECT_EQ(tableRows(env.db(), "CERCLS"),
              (std::vector<std::string>{"'B'|'银行收付'", "'D'|'其他'", "'A'|'现金'", "'C'|'转帐'"}));
}

TEST_F(SetCopy, TheVariableTableReplacesTheCurrentOne)
{
    ASSERT_EQ(loadVariables(env.db()).size(), 3u);
    const CopyResult result = copy(only({CopyItem::Variables}));
    ASSERT_EQ(result.outcome, CopyOutcome::Copied) << prompt.last();
    EXPECT_TRUE(result.variables);
    EXPECT_EQ(tableRows(env.db(), "KSVAR"),
              (std::vector<std::string>{"'#k'|'ye(\"1001\")'|'现金'|1", "'#m'|'pzt(1)'|'月'|2"}));
    // Nothing to count: the progress starts and stays at no total.
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].total, 0);
}

TEST_F(SetCopy, StatementDefinitionsReplaceThoseOfTheSameNumber)
{
    std::optional<CopySource> chosen = choose(source);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->availability.unavailableReason(CopyItem::Reports), "对方帐套没有财务报表定义！");
    {
        Database db = Database::open(source);
        ReportDefinition income = loadReports(db).back();
        income.lines.front().item = "营业总收入";
        saveReport(db, income);
    }
    chosen = choose(source);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->availability.rows(CopyItem::Reports), 58 + 32);
    const CopyResult result = copy(only({CopyItem::Reports}));
    ASSERT_EQ(result.outcome, CopyOutcome::Copied) << prompt.last();
    EXPECT_EQ(result.reports, 2);
    Database db = Database::openReadOnly(source);
    EXPECT_EQ(loadReports(env.db()), loadReports(db));
    EXPECT_EQ(loadReports(env.db()).back().lines.front().item, "营业总收入");
}

TEST_F(SetCopy, PrintFormatsOfEveryViewKindAndModeAreCopied)
{
    ViewSettings ledger = defaultViewSettings();
    ledger.page.pageRow = 31;
    ledger.fonts[kBodyFont].faceName = "黑体";
    ledger.columnWidths = {8, 12, 20};
    ViewSettings chartPrint = defaultViewSettings();
    chartPrint.page.pageWidth = 2100;
    ViewSettings other = defaultViewSettings();
    other.page.pageLeft = 1;
    {
        Database db = Database::open(source);
        SaveViewSettings(db, 4, "0", ledger);
        SaveViewSettings(db, 4, "1002-1", ledger);
        SaveViewSettings(db, 0, "0", ledger);
        SaveViewSettings(db, 10, "0", chartPrint);
        // Another program of the family keeps its own kinds: they stay where they are.
        SaveViewSettings(db, 40, "0", other);
    }
    ViewSettings mine = defaultViewSettings();
    mine.page.pageTop = 77;
    SaveViewSettings(env.db(), 40, "0", mine);
    SaveViewSettings(env.db(), 7, "0", mine);

    const CopyResult result = copy(only({CopyItem::Formats}));
    ASSERT_EQ(result.outcome, CopyOutcome::Copied) << prompt.last();
    EXPECT_EQ(result.formatGroups, 12); // kinds 1 … 10, 0 and the second mode of kind 4
    EXPECT_EQ(lastFormatGroup(), 11);
    Database db = Database::openReadOnly(source);
    for (int flag = 0; flag <= 11; ++flag)
        EXPECT_EQ(LoadViewSettings(env.db(), flag, "0"), LoadViewSettings(db, flag, "0")) << flag;
    EXPECT_EQ(LoadViewSettings(env.db(), 4, "1002-1"), ledger);
    EXPECT_EQ(LoadViewSettings(env.db(), 10, "0"), chartPrint);
    EXPECT_EQ(LoadViewSettings(env.db(), 40, "0"), mine);
    // One key's rows, once.
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM KSPAGESET WHERE nFlag=4"), 2);
    EXPECT_EQ(env.db().queryLong("SELECT count(*) FROM FIELDWIDTH WHERE NFLAG=4 AND SFIELDMODE='1002-1'"), 3);
}

TEST_F(SetCopy, NothingToCopyIsToldAndChangesNothing)
{
    {
        Database db = Database::open(source);
        db.execute("DELETE FROM CERCLS");
        db.execute("DELETE FROM KSVAR");
    }
    const std::vector<CopySelection> selections = {CopySelection{}, only({CopyItem::Classes}),
                                                   only({CopyItem::Classes, CopyItem::Variables})};
    for (const CopySelection& selection : selections) {
        EXPECT_EQ(copy(selection).outcome, CopyOutcome::NothingSelected);
        EXPECT_EQ(prompt.texts(), std::vector<std::string>{"没有选择拷贝信息！"});
        EXPECT_EQ(prompt.entries()[0].icon, Icon::Exclamation);
    }
    // An empty variable table of the source never wipes the current one.
    const CopyResult result = copy(only({CopyItem::Variables, CopyItem::Templates}));
    ASSERT_EQ(result.outcome, CopyOutcome::Copied);
    EXPECT_FALSE(result.variables);
    EXPECT_EQ(loadVariables(env.db()).size(), 3u);
}

TEST_F(SetCopy, ProgressCountsSubjectsTemplateLinesAndClassesFromTheStart)
{
    const CopyResult result = copy(only({CopyItem::Chart, CopyItem::Templates, CopyItem::Classes, CopyItem::Variables}));
    ASSERT_EQ(result.outcome, CopyOutcome::Copied) << prompt.last();
    std::vector<std::string> seen;
    for (const CopyProgress& step : steps)
        seen.push_back(std::string(copyItemCaption(step.item)) + " " + std::to_string(step.current) + "/"
                       + std::to_string(step.total));
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "会计科目 0/13", "会计科目 1/13", "会计科目 2/13", "会计科目 3/13", "会计科目 4/13",
                        "会计科目 5/13", "会计科目 6/13", "会计科目 7/13", "会计科目 8/13", "分录模板 8/13",
                        "分录模板 9/13", "分录模板 10/13", "凭证分类 10/13", "凭证分类 11/13",
                        "凭证分类 12/13", "凭证分类 13/13", "变量表 13/13"}));
    EXPECT_EQ(copyTotal(choose(source)->availability, only({CopyItem::Chart, CopyItem::Formats})), 8);
}

TEST(SetCopyProgress, PercentAndTextNeverDivideByZero)
{
    struct Case {
        int current;
        int total;
        int percent;
        const char* text;
    };
    const Case cases[] = {{0, 0, 0, "  0％"},   {5, 0, 0, "  0％"},     {0, 13, 0, "  0％"}, {1, 3, 33, " 33％"},
                          {3, 3, 100, "100％"}, {7, 3, 100, "100％"}, {-1, 3, 0, "  0％"}};
    for (const Case& c : cases) {
        EXPECT_EQ(copyProgressPercent(c.current, c.total), c.percent) << c.current << "/" << c.total;
        EXPECT_EQ(copyProgressText(c.current, c.total), c.text) << c.current << "/" << c.total;
    }
    EXPECT_EQ(copyStatusText(CopyItem::Templates), "正在拷贝分录模板...");
}

TEST_F(SetCopy, AnEngineErrorMidwayLeavesTheCurrentFileAsItWas)
{
    ASSERT_TRUE(importSubjects(env.db(), "code,name,kind,unit,multi_column,direction,width\n9999,旧科目,0,,0,0,0\n").ok);
    // The current file refuses classes: the chart and the templates are written before that.
    test::addRefusingTrigger(env.db(), "NO_CLASSES", "BEFORE INSERT", "CERCLS", "", "拒绝凭证分类");
    const char* const tables[] = {"SUBT", "AUTDIR", "AUTCER", "CERCLS", "KSVAR", "KSPAGESET", "KSFONT"};
    std::map<std::string, std::vector<std::string>> before;
    for (const char* table : tables)
        before[table] = tableRows(env.db(), table);
    CopySelection all;
    for (CopyItem item : kCopyItems)
        all[item] = true;
    try {
        copy(all);
        FAIL() << "the copy went through";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("拒绝凭证分类"), std::string::npos) << error.what();
    }
    EXPECT_GT(steps.size(), 9u); // the chart was copied before the failure
    for (const char* table : tables)
        EXPECT_EQ(tableRows(env.db(), table), before[table]) << table;
    EXPECT_FALSE(env.db().inTransaction());
    // The file takes work again at once.
    test::dropTrigger(env.db(), "NO_CLASSES", "CERCLS");
    EXPECT_EQ(copy(all).outcome, CopyOutcome::Copied);
}

TEST_F(SetCopy, TheSourceIsOnlyReadAndClosedAfterwards)
{
    const std::string bytes = contentOf(source);
    CopySelection all;
    for (CopyItem item : kCopyItems)
        all[item] = true;
    ASSERT_EQ(copy(all).outcome, CopyOutcome::Copied) << prompt.last();
    EXPECT_EQ(contentOf(source), bytes);
    // No connection holds the source any more.
    EXPECT_TRUE(FileHold::exclusive(source).has_value());
    // A source that can no longer be opened is an engine error, told by the caller.
    fs::remove(source);
    EXPECT_THROW(copy(all), DatabaseError);
}

} // namespace
} // namespace kszw
