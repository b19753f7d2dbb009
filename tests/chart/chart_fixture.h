// A year file in a temporary folder with helpers to build a chart and write lines, for the chart tests.
#pragma once

#include "accountset/year_file.h"
#include "chart/subjects.h"
#include "store/database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace kszw::test {

class ChartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        createYearFile(dir.file("2026.ksk"), 2026);
        db = Database::open(dir.file("2026.ksk"));
    }

    // Adds a subject by its full code through the add operation; fails the test when refused.
    void add(const std::string& code, const std::string& name, int kind = 0, const std::string& unit = "",
             bool multiColumn = false, int direction = 0, int width = 0)
    {
        const size_t dash = code.rfind('-');
        const std::string parent = dash == std::string::npos ? "" : code.substr(0, dash);
        SubjectInput input;
        input.segment = dash == std::string::npos ? code : code.substr(dash + 1);
        input.name = name;
        input.kind = kind;
        input.unit = unit;
        input.multiColumn = multiColumn;
        input.direction = direction;
        input.width = width;
        SubjectResult result = addSubject(db, parent, input);
        ASSERT_TRUE(result.ok) << code << ": " << result.message;
    }

    // A subject written straight into SUBT, as a chart made elsewhere may hold it (segments with
    // leading zeros, which the dialog never writes).
    void raw(const std::string& code, const std::string& name)
    {
        int level = 1;
        for (char c : code)
            level += c == '-';
        db.execute("INSERT INTO SUBT(KNO,NA,CLAS,OP,FZ,FZN,DL,DLF,DLW) VALUES(?1,?2,?3,'0','0',NULL,'0',0,0)",
                   {code, name, static_cast<std::int64_t>(level)});
    }

    // A voucher line of the subject (posted unless said otherwise).
    void line(const std::string& code, double amount, int direction = 1, const std::string& mk = "4",
              const std::string& number = "0001")
    {
        db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260115',?1,1,'摘要',?2,?3,?4,0,?5,'01')",
                   {number, code, static_cast<std::int64_t>(direction), amount, mk});
    }

    int count(const std::string& sql, const SqlParams& params = {}) { return db.queryLong(sql, params); }

    TempDir dir;
    Database db;
};

} // namespace kszw::test
