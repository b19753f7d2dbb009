#include "common/text.h"

#include <cstdarg>
#include <cstdio>

namespace kszw {

std::string trimLeft(std::string_view text)
{
    size_t start = text.find_first_not_of(' ');
    return start == std::string_view::npos ? std::string() : std::string(text.substr(start));
}

std::string trimRight(std::string_view text)
{
    size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

std::string trim(std::string_view text)
{
    size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return {};
    size_t end = text.find_last_not_of(' ');
    return std::string(text.substr(start, end - start + 1));
}

std::string trimWhitespace(std::string_view text)
{
    static constexpr std::string_view kBlanks = " \t\r\n";
    size_t start = text.find_first_not_of(kBlanks);
    if (start == std::string_view::npos)
        return {};
    size_t end = text.find_last_not_of(kBlanks);
    return std::string(text.substr(start, end - start + 1));
}

int utf8SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

namespace {

// Length of the character at position i, never running past the end of the text.
size_t charLengthAt(std::string_view text, size_t i)
{
    size_t length = static_cast<size_t>(utf8SequenceLength(static_cast<unsigned char>(text[i])));
    if (i + length > text.size())
        return 1;
    for (size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    return length;
}

} // namespace

int gbkLength(std::string_view text)
{
    int length = 0;
    for (size_t i = 0; i < text.size();) {
        size_t n = charLengthAt(text, i);
        length += static_cast<unsigned char>(text[i]) < 0x80 ? 1 : 2;
        i += n;
    }
    return length;
}

std::string padGbkRight(std::string_view text, int width)
{
    std::string padded(text);
    const int length = gbkLength(text);
    if (length < width)
        padded.append(static_cast<size_t>(width - length), ' ');
    return padded;
}

std::string padGbkLeft(std::string_view text, int width)
{
    const int length = gbkLength(text);
    return (length < width ? std::string(static_cast<size_t>(width - length), ' ') : std::string()) + std::string(text);
}

int charCount(std::string_view text)
{
    int count = 0;
    for (size_t i = 0; i < text.size(); i += charLengthAt(text, i))
        ++count;
    return count;
}

std::vector<std::string> splitChars(std::string_view text)
{
    std::vector<std::string> chars;
    for (size_t i = 0; i < text.size();) {
        size_t n = charLengthAt(text, i);
        chars.emplace_back(text.substr(i, n));
        i += n;
    }
    return chars;
}

std::string leftChars(std::string_view text, int n)
{
    size_t i = 0;
    for (int count = 0; i < text.size() && count < n; ++count)
        i += charLengthAt(text, i);
    return std::string(text.substr(0, i));
}

std::string toUpperAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string toLowerAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && toUpperAscii(a) == toUpperAscii(b);
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    size_t start = 0;
    for (size_t found = text.find(from); found != std::string_view::npos; found = text.find(from, start)) {
        result.append(text.substr(start, found - start));
        result.append(to);
        start = found + from.size();
    }
    result.append(text.substr(start));
    return result;
}

bool isAllDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string format(const char* pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    va_list copy;
    va_copy(copy, args);
    int size = std::vsnprintf(nullptr, 0, pattern, copy);
    va_end(copy);
    std::string result;
    if (size > 0) {
        result.resize(static_cast<size_t>(size) + 1);
        std::vsnprintf(result.data(), result.size(), pattern, args);
        result.resize(static_cast<size_t>(size));
    }
    va_end(args);
    return result;
}

} // namespace kszw
