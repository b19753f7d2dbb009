// FormatNumber and the plain number texts. Writing and reading go through std::to_chars /
// std::from_chars, which round like printf but never follow the process locale, so a GUI that
// switches LC_NUMERIC cannot turn the decimal point into a comma.
#include "formula/format_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kszw {

namespace {

constexpr double kZeroThreshold = 0.0000001;
constexpr int kMaxDecimals = 100;
constexpr int kMaxWidth = 4096;

// The integer part of a plain number text gets a comma between groups of three digits.
std::string groupThousands(std::string_view digits)
{
    size_t point = digits.find('.');
    std::string_view integer = digits.substr(0, point);
    std::string result;
    result.reserve(digits.size() + integer.size() / 3);
    for (size_t i = 0; i < integer.size(); ++i) {
        if (i > 0 && (integer.size() - i) % 3 == 0)
            result += ',';
        result += integer[i];
    }
    if (point != std::string_view::npos)
        result.append(digits.substr(point));
    return result;
}

std::string padLeft(std::string text, int width)
{
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

} // namespace

std::string FixedText(double value, int decimals)
{
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    char buffer[512];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return "0";
    return std::string(buffer, result.ptr);
}

double ReadNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    size_t start = i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            while (j < text.size() && text[j] >= '0' && text[j] <= '9')
                ++j;
            i = j;
        }
    }
    double value = 0;
    auto result = std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone when it is out of range; atof gives infinity for a
        // huge number and zero for a tiny one.
        std::string_view span = text.substr(start, i - start);
        size_t exponent = span.find_first_of("eE");
        bool tiny = exponent != std::string_view::npos && exponent + 1 < span.size() && span[exponent + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (result.ec != std::errc()) {
        return 0;
    }
    return negative ? -value : value;
}

double RoundToSixDecimals(double value)
{
    if (!std::isfinite(value))
        return value;
    return ReadNumber(FixedText(value, 6));
}

std::string FormatNumber(double value, int width, int minDec, int maxDec)
{
    long long wide = width;
    width = static_cast<int>(std::min<long long>(wide < 0 ? -wide : wide, kMaxWidth));
    minDec = std::clamp(minDec, 0, kMaxDecimals);
    int decimals = std::clamp(std::max(maxDec, minDec), 0, kMaxDecimals);

    if (std::fabs(ReadNumber(FixedText(value, decimals))) <= kZeroThreshold)
        return std::string(static_cast<size_t>(width), ' ');

    bool negative = value < 0;
    std::string digits = FixedText(std::fabs(value), decimals);
    size_t point = digits.find('.');
    if (point != std::string::npos) {
        size_t kept = digits.size() - point - 1;
        while (kept > static_cast<size_t>(minDec) && digits.back() == '0') {
            digits.pop_back();
            --kept;
        }
        if (digits.back() == '.')
            digits.pop_back();
    }

    std::string sign = negative ? "-" : "";
    if (width > 0) {
        if (static_cast<int>(digits.size() + sign.size()) > width)
            return std::string(static_cast<size_t>(width), '*');
        std::string grouped = groupThousands(digits);
        if (static_cast<int>(grouped.size() + sign.size()) > width)
            return padLeft(sign + digits, width);
        return padLeft(sign + grouped, width);
    }
    return sign + groupThousands(digits);
}

std::string RemoveGroupCommas(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != ',')
            result += c;
    return result;
}

std::string NumberToText(double value)
{
    std::string text = RemoveGroupCommas(FormatNumber(value, 0, 0, 6));
    return text.empty() ? "0" : text;
}

} // namespace kszw
