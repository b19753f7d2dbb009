// The text of a file from outside: import files saved by spreadsheet programs on Chinese systems
// are often in the GBK code page rather than UTF-8. The bytes are taken as UTF-8 (with or without
// a byte-order mark) when they are valid UTF-8; otherwise as GBK (Windows code page 936), and when
// even that fails as GB18030, its superset with four-byte sequences, both through iconv(3). Bytes
// that are none of these, or that hold a NUL byte (UTF-16 files, binary files), are refused.
#pragma once

#include <string>
#include <string_view>

namespace kszw {

enum class TextEncoding { Utf8, Gbk, Gb18030 };

// The name of an encoding as the program shows it: "UTF-8", "GBK", "GB18030".
std::string_view encodingName(TextEncoding encoding);

struct DecodedText {
    bool ok = false;
    std::string text; // UTF-8, without a byte-order mark
    TextEncoding encoding = TextEncoding::Utf8;
    std::string error; // when not ok: the message that refuses the file
};

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// The bytes of the file named fileName (the name the refusal shows) as UTF-8 text.
DecodedText decodeText(std::string_view bytes, std::string_view fileName);

// Reads the file at path and decodes it; "无法打开此文件！\n<path>" when it cannot be read.
DecodedText readTextFile(const std::string& path);

} // namespace kszw
