// Random keystroke sequences typed into cells of every specification the system uses: the check
// never crashes, and whatever text it lets through keeps the form its input rule promises.
#include "formview/input_spec.h"

#include "common/text.h"
#include "formula/format_number.h"

#include <gtest/gtest.h>

#include <random>

namespace kszw {
namespace {

struct CellSpec {
    const char* spec;
    int lengthLimit;
    int extraNumber;
};

TEST(InputSpecFuzz, AcceptedKeystrokesKeepTheCellWellFormed)
{
    static const CellSpec kSpecs[] = {
        {"NUMBER", 14, 2},      {"NUMBER 0", 0, 0},         {"NUMBER 0123456789", 6, 0},
        {"NUMBER 1 12", 2, 0},  {"NUMBER 1 31", 2, 0},      {"NUMBER 1990 9999", 4, 0},
        {"CLASSNOSTRING", -1, 0}, {"CLASSNOSTRING", 3, 0},  {"CLASSNOSTRING", 0, 0},
        {"STRING", 20, 0},      {"STRING NOT |[]'\"", 40, 0}, {"STRING NOT |[]'", 30, 0},
        {"MDBSTRING", 20, 0},   {"STRING CHAR_DIGIT", 10, 0}, {"STRING 0123456789.-", 12, 0},
        {"STRING 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", 8, 0},
    };
    static const char* const kKeys[] = {"0", "1", "2", "5", "9", ".", "-", "+", "。", "a", "Z", " ", "|", "[",
                                        "]", "'", "\"", "中", "文", "#", "\t", "e", ",", "\xff"};
    std::mt19937 random(2652);
    std::uniform_int_distribution<size_t> key(0, std::size(kKeys) - 1);
    for (const CellSpec& cell : kSpecs) {
        std::string specText = cell.spec;
        for (int run = 0; run < 300; ++run) {
            std::string text;
            for (int stroke = 0; stroke < 30; ++stroke) {
                const char* typed = kKeys[key(random)];
                int caret = std::uniform_int_distribution<int>(-1, charCount(text) + 1)(random);
                if (!CheckInput(typed, text, caret, cell.spec, cell.lengthLimit, cell.extraNumber))
                    continue;
                std::string inserted = TypedForSpec(typed, cell.spec);
                int at = std::clamp(caret, 0, charCount(text));
                std::string head = leftChars(text, at);
                text = head + inserted + text.substr(head.size());

                if (specText.rfind("NUMBER", 0) == 0) {
                    ASSERT_TRUE(IsNumberText(text, cell.lengthLimit, cell.extraNumber)) << specText << ": " << text;
                    if (specText != "NUMBER") {
                        ASSERT_EQ(text.find('-'), std::string::npos) << specText << ": " << text;
                    }
                    if (specText == "NUMBER 1 12") {
                        ASSERT_LE(ReadNumber(text), 12) << text;
                    }
                    if (specText == "NUMBER 1990 9999") {
                        ASSERT_LE(ReadNumber(text), 9999) << text;
                    }
                } else if (specText == "CLASSNOSTRING") {
                    ASSERT_TRUE(IsClassNumber(text + "1", cell.lengthLimit, "-")) << cell.lengthLimit << ": " << text;
                } else {
                    if (cell.lengthLimit > 0) {
                        ASSERT_LE(gbkLength(text), cell.lengthLimit) << specText << ": " << text;
                    }
                    if (specText == "STRING NOT |[]'\"" || specText == "STRING NOT |[]'" || specText == "MDBSTRING") {
                        ASSERT_EQ(text.find_first_of(" |[]'"), std::string::npos) << specText << ": " << text;
                    }
                    if (specText == "STRING CHAR_DIGIT") {
                        ASSERT_TRUE(AllMatchClass("CHAR_DIGIT", text)) << text;
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace kszw
