// Decoding outside files: UTF-8 with or without its mark, GBK and GB18030 into UTF-8, and a clear
// refusal of anything else.
#include "common/text_encoding.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kszw {
namespace {

TEST(TextEncoding, EachFileIsReadInTheFirstEncodingItIsValidIn)
{
    struct Case {
        const char* name;
        std::string bytes;
        TextEncoding encoding;
        std::string text;
    };
    const Case cases[] = {
        {"empty", "", TextEncoding::Utf8, ""},
        {"ascii", "date,number\n", TextEncoding::Utf8, "date,number\n"},
        {"utf-8", "库存现金,1001\r\n", TextEncoding::Utf8, "库存现金,1001\r\n"},
        {"utf-8 with its mark", "\xEF\xBB\xBF库存现金", TextEncoding::Utf8, "库存现金"},
        {"four-byte utf-8", "\xF0\xA0\x80\x80", TextEncoding::Utf8, "𠀀"},
        {"gbk", "\xBF\xE2\xB4\xE6\xCF\xD6\xBD\xF0,1001\r\n", TextEncoding::Gbk, "库存现金,1001\r\n"},
        // Code page 936 as Windows writes it: 0x80 is the euro sign.
        {"gbk euro", "\x80\xCC\xE1\xC8\xA1", TextEncoding::Gbk, "€提取"},
        {"gb18030 four bytes", "\xCC\xE1\x95\x32\x82\x36", TextEncoding::Gb18030, "提𠀀"},
    };
    for (const Case& c : cases) {
        const DecodedText decoded = decodeText(c.bytes, "a.csv");
        ASSERT_TRUE(decoded.ok) << c.name << ": " << decoded.error;
        EXPECT_EQ(decoded.encoding, c.encoding) << c.name;
        EXPECT_EQ(decoded.text, c.text) << c.name;
    }
    EXPECT_EQ(encodingName(TextEncoding::Utf8), "UTF-8");
    EXPECT_EQ(encodingName(TextEncoding::Gbk), "GBK");
    EXPECT_EQ(encodingName(TextEncoding::Gb18030), "GB18030");
}

TEST(TextEncoding, BytesOfNeitherEncodingAreRefusedByName)
{
    const std::string cases[] = {
        "\xFF\xFE",                          // 0xFF leads nothing in either code page
        std::string("d\0a\0t\0e\0", 8),      // UTF-16 text: valid bytes, but no text file holds NUL
        "\xFF\xFE" + std::string("d\0", 2),  // UTF-16 with its mark
        "\xCC",                              // a GBK character cut off at the end
        "\xCC\x7F",                          // a trail byte no GBK character has
    };
    for (const std::string& bytes : cases) {
        const DecodedText decoded = decodeText(bytes, "凭证.csv");
        EXPECT_FALSE(decoded.ok);
        EXPECT_EQ(decoded.error, "文件“凭证.csv”既不是UTF-8编码也不是GBK编码，不能读入！");
        EXPECT_EQ(decoded.text, "");
    }
}

TEST(TextEncoding, Utf8ValidityFollowsTheStandard)
{
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"abc", true},
        {"\xC2\x80", true},
        {"\xC0\xAF", false},          // overlong '/'
        {"\xE0\x80\xAF", false},      // overlong
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xEF\xBF\xBF", true},
        {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xE5\xBA", false},          // cut off
        {"\x80", false},              // a continuation byte alone
    };
    for (const Case& c : cases)
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
}

TEST(TextEncoding, AFileIsReadAndDecodedOrItsPathNamed)
{
    test::TempDir dir;
    std::ofstream(dir.file("gbk.csv"), std::ios::binary) << "\xBF\xE2\xB4\xE6";
    DecodedText decoded = readTextFile(dir.file("gbk.csv"));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.text, "库存");
    EXPECT_EQ(decoded.encoding, TextEncoding::Gbk);

    std::ofstream(dir.file("bad.csv"), std::ios::binary) << "\xFF";
    EXPECT_EQ(readTextFile(dir.file("bad.csv")).error, "文件“bad.csv”既不是UTF-8编码也不是GBK编码，不能读入！");
    for (const std::string& path : {dir.file("missing.csv"), dir.path().string()}) {
        decoded = readTextFile(path);
        EXPECT_FALSE(decoded.ok);
        EXPECT_EQ(decoded.error, "无法打开此文件！\n" + path);
    }
}

} // namespace
} // namespace kszw
