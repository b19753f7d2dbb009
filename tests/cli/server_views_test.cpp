// The same books on a server: the demo pushed to the test server shows every book and table as
// the year file does, and comes back whole with pull.
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace kszw {
namespace {

using test::shellQuote;

int cli(const std::string& arguments, std::string& output)
{
    return test::runCommand(shellQuote(KSZW_CLI_PATH) + " " + arguments, output);
}

TEST(CliServerBooks, ThePushedDemoShowsTheSameBooksAndComesBackWhole)
{
    if (!test::onServerEngine())
        GTEST_SKIP() << "needs the test server";
    test::TempDir dir;
    std::string output;
    ASSERT_EQ(cli("demo " + shellQuote(dir.localFile("demo")) + " --date 20261215", output), 0) << output;
    const std::string file = dir.localFile("demo/2026.ksk");
    const std::string server = dir.file("server/2026.ksk");
    ASSERT_EQ(cli("push " + shellQuote(file) + " " + shellQuote(server), output), 0) << output;
    EXPECT_EQ(output.substr(0, output.find('\n')), server);
    // A year on the server is never replaced.
    EXPECT_EQ(cli("push " + shellQuote(file) + " " + shellQuote(server) + " 2>&1", output), 1);
    EXPECT_NE(output.find("已存在"), std::string::npos) << output;

    const std::string views[] = {
        "chart",
        "voucher --date 20260102 --number 0002",
        "summary --month 3",
        "ledger --subject 1002 --mode detail",
        "ledger --subject 1122",
        "balance --date 20261231",
        "turnover --levels all",
        "turnover --from 3 --to 6",
        "multicolumn --subject 6602 --mode detail",
        "quantity --subject 1403",
        "currency --subject 1002-3",
        "search --subject 6602 --side debit",
    };
    for (const std::string& view : views) {
        std::string onFile;
        std::string onServer;
        const int fileStatus = cli("view " + shellQuote(file) + " " + view + " --operator 102 2>&1", onFile);
        const int serverStatus = cli("view " + shellQuote(server) + " " + view + " --operator 102 2>&1", onServer);
        EXPECT_EQ(serverStatus, fileStatus) << view;
        EXPECT_EQ(onServer, onFile) << view;
        EXPECT_GT(onFile.size(), 100u) << view << onFile;
    }

    // Back into a file: every table with every row.
    const std::string pulled = dir.localFile("back/2026.ksk");
    ASSERT_EQ(cli("pull " + shellQuote(server) + " " + shellQuote(pulled), output), 1) << output; // no folder
    ASSERT_EQ(test::runCommand("mkdir -p " + shellQuote(dir.localFile("back")), output), 0);
    ASSERT_EQ(cli("pull " + shellQuote(server) + " " + shellQuote(pulled), output), 0) << output;
    for (const std::string view : {"turnover --levels all", "ledger --subject 1002 --mode detail"}) {
        std::string onFile;
        std::string onPulled;
        cli("view " + shellQuote(file) + " " + view + " --operator 102", onFile);
        cli("view " + shellQuote(pulled) + " " + view + " --operator 102", onPulled);
        EXPECT_EQ(onPulled, onFile) << view;
    }
    EXPECT_EQ(cli("pull " + shellQuote(server) + " " + shellQuote(pulled) + " 2>&1", output), 1);
}

} // namespace
} // namespace kszw
