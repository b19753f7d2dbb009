// Text helpers. Text is UTF-8 everywhere; lengths that the year data file limits count GBK bytes
// (an ASCII character 1, any other character 2), as the file's field widths are GBK byte counts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

// Blanks removed on the left, right or both sides (the blank is ' ', like the engine's trim).
std::string trimLeft(std::string_view text);
std::string trimRight(std::string_view text);
std::string trim(std::string_view text);
// Spaces, tabs, CR and LF removed on both sides: for text typed or read from outside files.
std::string trimWhitespace(std::string_view text);

// Length in GBK bytes: ASCII characters count 1, any other character 2.
int gbkLength(std::string_view text);
// The text padded with blanks to width GBK bytes, as "%-*s" (padGbkRight) and "%*s" (padGbkLeft)
// pad it in the file's code page; a longer text is kept whole.
std::string padGbkRight(std::string_view text, int width);
std::string padGbkLeft(std::string_view text, int width);
// Number of characters (code points) of UTF-8 text; a malformed byte counts as one character.
int charCount(std::string_view text);
// The characters of UTF-8 text, each as its own string.
std::vector<std::string> splitChars(std::string_view text);
// The first n characters (code points) of the text.
std::string leftChars(std::string_view text, int n);
// Length in bytes of the UTF-8 sequence that starts with this byte (1 for malformed bytes).
int utf8SequenceLength(unsigned char lead);

// ASCII case conversions and a case-blind comparison (non-ASCII bytes compared as they are).
std::string toUpperAscii(std::string_view text);
std::string toLowerAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// The text with every occurrence of `from` replaced by `to`, left to right, without overlaps.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// True when the text is non-empty and made of the digits 0-9 only.
bool isAllDigits(std::string_view text);

// printf-style formatting into a std::string.
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

} // namespace kszw
