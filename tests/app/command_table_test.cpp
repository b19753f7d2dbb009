#include "app/command_table.h"

#include <gtest/gtest.h>

#include <set>

namespace kszw {
namespace {

TEST(CommandTable, EveryMenuAndToolbarCommandIsKnownOnce)
{
    std::set<int> seen;
    for (const MenuInfo& menu : mainMenu())
        for (int id : menu.items) {
            if (id == 0)
                continue;
            EXPECT_NE(findCommand(id), nullptr) << id;
            EXPECT_TRUE(seen.insert(id).second) << "twice in the menu: " << id;
        }
    for (int id : toolbarButtons())
        if (id != 0) {
            EXPECT_NE(findCommand(id), nullptr) << id;
        }
    std::set<int> ids;
    for (const CommandInfo& command : allCommands())
        EXPECT_TRUE(ids.insert(command.id).second) << command.id;
}

TEST(CommandTable, ToolbarButtonsComeInTheirOrder)
{
    const std::vector<int> expected = {3002, 57601, 3001, 0, 57609, 57607, 0, 57635, 57634, 57637, 0, 57643, 57644,
                                       0, 32845, 32828, 32821, 32826, 0, 916, 0, 57664, 57669};
    EXPECT_EQ(toolbarButtons(), expected);
}

TEST(CommandTable, EnablingFollowsPermissionsAndChildWindows)
{
    const std::string clerk = "0201 0202 0203 0204 0205 0206 0207 0208 0209 0301 0302 0303 0304 0305 0306 0307 "
                              "0401 0402 0403 0404 0405 0406 ";
    const std::string admin = "0101 ";
    struct Case {
        int id;
        std::string permissions;
        bool childOpen;
        bool viewEnables;
        bool enabled;
    };
    const Case cases[] = {
        {cmd::kVoucherEntry, clerk, false, false, true},
        {cmd::kVoucherEntry, clerk, true, false, true},
        {cmd::kVoucherEntry, "", false, false, false},
        {cmd::kVoucherEntry, admin, false, false, false},
        {cmd::kThreeColumnLedger, "0301 ", true, false, true},
        {cmd::kOperators, admin, false, false, true},
        {cmd::kOperators, admin, true, false, false},
        {cmd::kOperators, clerk, false, false, false},
        {cmd::kNewAccountSet, admin, true, false, false},
        {cmd::kLogin, "", false, false, true},
        {cmd::kLogin, admin, true, false, false},
        {cmd::kPassword, "", true, false, true},
        {cmd::kCalculator, "", false, false, true},
        {cmd::kAbout, "", true, false, true},
        {cmd::kPrintSetup, "", false, false, true},
        {cmd::kPrint, clerk, false, true, false}, // no view, nothing to print
        {cmd::kPrint, clerk, true, false, false},
        {cmd::kPrint, clerk, true, true, true},
        {cmd::kClose, "", false, false, false},
        {cmd::kClose, "", true, false, true},
    };
    for (const Case& c : cases) {
        const CommandInfo* command = findCommand(c.id);
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(isCommandEnabled(*command, c.permissions, c.childOpen, c.viewEnables), c.enabled)
            << c.id << " with '" << c.permissions << "' child " << c.childOpen;
    }
}

TEST(CommandTable, PromptsSplitIntoStatusTextAndToolTip)
{
    const CommandInfo* entry = findCommand(cmd::kVoucherEntry);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(statusPrompt(*entry), "记帐凭证制作");
    EXPECT_EQ(toolTip(*entry), "凭证制作");
    const CommandInfo* login = findCommand(cmd::kLogin);
    EXPECT_EQ(statusPrompt(*login), "改变用户身份或帐务数据文件");
    EXPECT_EQ(toolTip(*login), "操作环境注册");
}

} // namespace
} // namespace kszw
