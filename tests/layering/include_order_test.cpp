// The folders of src/ include each other in one direction only, as src/layers.txt orders them.
#include "support/include_order.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kszw::test {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::vector<std::string> messagesOf(const std::vector<IncludeViolation>& violations)
{
    std::vector<std::string> messages;
    for (const IncludeViolation& violation : violations)
        messages.push_back(violation.message);
    return messages;
}

TEST(IncludeOrder, SourceTreeFollowsTheOrderOfLayersFile)
{
    const fs::path root = KSZW_SOURCE_DIR;
    const std::vector<std::string> order = readFolderOrder(root / "src" / "layers.txt");
    ASSERT_GE(order.size(), 5u);
    EXPECT_EQ(order.front(), "common");
    EXPECT_EQ(order.back(), "cli");
    const std::vector<IncludeViolation> violations = checkIncludeOrder(root, order);
    for (const IncludeViolation& violation : violations)
        ADD_FAILURE() << violation.message;
}

// A made-up tree: the checker itself must catch an upward include, a core file including a ui/
// header and a folder the order does not know, and accept everything the rule allows.
TEST(IncludeOrder, CheckerFindsEachKindOfViolationInAMadeUpTree)
{
    TempDir dir;
    const fs::path src = dir.path() / "src";
    writeFile(src / "layers.txt", "# order\ncommon\nstore\n\nformview\napp\n");
    writeFile(src / "common" / "text.h", "#pragma once\n");
    writeFile(src / "common" / "ui" / "qt_prompt.h", "#include \"common/text.h\"\n");
    writeFile(src / "store" / "database.cpp", "#include \"store/database.h\"\n#include \"common/text.h\"\n");
    // Upward: store includes formview, on line 3.
    writeFile(src / "store" / "year_file.cpp",
              "#include \"store/database.h\"\n#include <string>\n#include \"formview/print_settings.h\"\n");
    // Allowed: a ui/ folder including an earlier ui/ folder and its own core.
    writeFile(src / "formview" / "ui" / "form_view.cpp",
              "#include \"common/ui/qt_prompt.h\"\n#include \"formview/print_settings.h\"\n"
              "#include \"form_view.moc\"\n");
    // Core including a ui/ header of an earlier folder.
    writeFile(src / "formview" / "print_settings.cpp", "  #  include \"common/ui/qt_prompt.h\"\n");
    // A ui/ folder including a later folder's ui/ header.
    writeFile(src / "formview" / "ui" / "printer.cpp", "#include \"app/ui/command_target.h\"\n");
    // A folder the order does not name, and an include of one.
    writeFile(src / "extra" / "thing.h", "#pragma once\n");
    writeFile(src / "app" / "shell.cpp", "#include \"extra/thing.h\"\n#include \"app/ui/main_frame.h\"\n");
    writeFile(src / "main.cpp", "#include \"app/ui/main_frame.h\"\n#include \"common/ui/qt_prompt.h\"\n");

    const std::vector<std::string> order = readFolderOrder(src / "layers.txt");
    ASSERT_EQ(order, (std::vector<std::string>{"common", "store", "formview", "app"}));
    const std::vector<std::string> messages = messagesOf(checkIncludeOrder(dir.path(), order));
    const std::vector<std::string> expected = {
        "src/app/shell.cpp:1: app includes extra (extra/thing.h): extra is not in the order of src/layers.txt",
        "src/app/shell.cpp:2: app includes app/ui (app/ui/main_frame.h): core never includes a ui/ header",
        "src/extra/thing.h: the folder extra is not in the order of src/layers.txt",
        "src/formview/print_settings.cpp:1: formview includes common/ui (common/ui/qt_prompt.h): core never "
        "includes a ui/ header",
        "src/formview/ui/printer.cpp:1: formview/ui includes app/ui (app/ui/command_target.h): app comes after "
        "formview in src/layers.txt",
        "src/store/year_file.cpp:3: store includes formview (formview/print_settings.h): formview comes after "
        "store in src/layers.txt",
    };
    EXPECT_EQ(messages, expected);
}

} // namespace
} // namespace kszw::test
