// FormatNumber and the plain number texts. Writing and reading go through std::to_chars /
// std::from_chars, which never follow the process locale, so a GUI that switches LC_NUMERIC
// cannot turn the decimal point into a comma.
//
// Rounding is half away from zero. std::to_chars rounds the exact binary value correctly, and
// only an exact tie needs more: there it goes to the even digit (0.125 → "0.12"). A finite double
// is m·2^e with m odd; when e < 0 its exact decimal expansion has exactly −e decimals and ends in
// 5, so it lies halfway at d decimals exactly when −e = d + 1. Only then is the text written with
// d + 1 decimals (exact, ending in 5), the 5 dropped and the kept digits stepped away from zero.
#include "formula/format_number.h"

#include "common/number_text.h"
#include "common/text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <optional>
#include <cmath>
#include <cstdint>

namespace kszw {

namespace {

constexpr double kZeroThreshold = 0.0000001;
constexpr int kMaxDecimals = 100;
constexpr int kMaxWidth = 4096;
// Room for the largest double (309 digits), a sign, a point and kMaxDecimals + 1 decimals, and one
// place in front for a carry out of the first digit.
constexpr size_t kFixedBufferSize = 512;
constexpr int kPlainDecimals = 6;

// Whether the value lies exactly halfway between two neighbours with that many decimals.
bool isDecimalTie(double value, int decimals)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0x7ff)
        return false; // infinity or NaN
    int exponent = -1074;
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    } else if (mantissa == 0) {
        return false; // zero
    }
    exponent += std::countr_zero(mantissa);
    return -exponent == decimals + 1;
}

// The value with exactly that many decimals (0 … kMaxDecimals), rounded half away from zero,
// written into the buffer; the text returned points into it.
std::string_view writeFixed(char (&buffer)[kFixedBufferSize], double value, int decimals)
{
    char* const first = buffer + 1;
    char* const last = buffer + kFixedBufferSize;
    const bool tie = isDecimalTie(value, decimals);
    auto written = std::to_chars(first, last, value, std::chars_format::fixed, tie ? decimals + 1 : decimals);
    if (written.ec != std::errc())
        return "0";
    if (!tie)
        return {first, static_cast<size_t>(written.ptr - first)};

    char* end = written.ptr - 1; // the final 5
    if (decimals == 0)
        --end; // and the point before it
    for (char* digit = end - 1;; --digit) {
        if (digit < first || *digit == '-') {
            // Every kept digit was 9: a 1 goes in front of them, after the sign.
            if (digit < first) {
                buffer[0] = '1';
            } else {
                buffer[0] = '-';
                *digit = '1';
            }
            return {buffer, static_cast<size_t>(end - buffer)};
        }
        if (*digit == '.')
            continue;
        if (*digit != '9') {
            ++*digit;
            break;
        }
        *digit = '0';
    }
    return {first, static_cast<size_t>(end - first)};
}

// Whether a written magnitude counts as zero (within 0.0000001; "inf" and "nan" count too).
bool isZeroText(std::string_view digits)
{
    if (digits[0] >= '1' && digits[0] <= '9')
        return false;
    return std::fabs(ReadNumber(digits)) <= kZeroThreshold;
}

// Trailing zeros after the point go while more than minDec decimals remain; a bare point goes too.
std::string_view trimDecimals(std::string_view digits, int minDec)
{
    size_t point = digits.find('.');
    if (point == std::string_view::npos)
        return digits;
    size_t kept = digits.size() - point - 1;
    while (kept > static_cast<size_t>(minDec) && digits.back() == '0') {
        digits.remove_suffix(1);
        --kept;
    }
    if (digits.back() == '.')
        digits.remove_suffix(1);
    return digits;
}

// Appends the digits with a comma between groups of three digits of the integer part.
void appendGrouped(std::string& out, std::string_view digits, size_t integerLength)
{
    for (size_t i = 0; i < integerLength; ++i) {
        if (i > 0 && (integerLength - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    out.append(digits.substr(integerLength));
}

} // namespace

std::string FixedText(double value, int decimals)
{
    char buffer[kFixedBufferSize];
    return std::string(writeFixed(buffer, value, std::clamp(decimals, 0, kMaxDecimals)));
}

double ReadNumber(std::string_view text)
{
    const std::optional<LeadingNumber> number = scanLeadingNumber(text, " \t\r\n");
    if (!number)
        return 0;
    const std::string_view digits = number->digits;
    double value = 0;
    auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone when it is out of range; atof gives infinity for a
        // huge number and zero for a tiny one.
        size_t exponent = digits.find_first_of("eE");
        bool tiny = exponent != std::string_view::npos && exponent + 1 < digits.size() && digits[exponent + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (result.ec != std::errc()) {
        return 0;
    }
    return number->negative ? -value : value;
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

    char buffer[kFixedBufferSize];
    std::string_view digits = writeFixed(buffer, std::fabs(value), decimals);
    if (isZeroText(digits))
        return std::string(static_cast<size_t>(width), ' ');
    digits = trimDecimals(digits, minDec);

    const size_t sign = value < 0 ? 1 : 0;
    const size_t integerLength = std::min(digits.find('.'), digits.size());
    const size_t groupedLength = digits.size() + (integerLength > 0 ? (integerLength - 1) / 3 : 0);
    std::string result;
    if (width > 0) {
        const auto fit = static_cast<size_t>(width);
        if (digits.size() + sign > fit)
            return std::string(fit, '*');
        const bool grouped = groupedLength + sign <= fit;
        const size_t length = (grouped ? groupedLength : digits.size()) + sign;
        result.reserve(std::max(fit, length));
        result.assign(fit - length, ' ');
        if (sign)
            result += '-';
        if (grouped)
            appendGrouped(result, digits, integerLength);
        else
            result.append(digits);
        return result;
    }
    result.reserve(groupedLength + sign);
    if (sign)
        result += '-';
    appendGrouped(result, digits, integerLength);
    return result;
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

std::string PlainNumberText(double value)
{
    char buffer[kFixedBufferSize];
    std::string_view digits = writeFixed(buffer, std::fabs(value), kPlainDecimals);
    if (isZeroText(digits))
        return {};
    std::string result = value < 0 ? "-" : "";
    result.append(trimDecimals(digits, 0));
    return result;
}

std::string NumberToText(double value)
{
    std::string text = PlainNumberText(value);
    return text.empty() ? "0" : text;
}

std::optional<double> ReadPlainDecimal(std::string_view typed, int maxIntegerDigits)
{
    const std::string trimmed = trimWhitespace(typed);
    std::string_view text = trimmed;
    bool negative = false;
    constexpr std::string_view kFullMinus = "\u2212";
    if (text.starts_with('-')) {
        negative = true;
        text.remove_prefix(1);
    } else if (text.starts_with(kFullMinus)) {
        negative = true;
        text.remove_prefix(kFullMinus.size());
    }
    int integerDigits = 0;
    bool digit = false;
    bool point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
            // Leading zeros do not make a number bigger.
            if (!point && (integerDigits > 0 || c != '0'))
                ++integerDigits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digit || integerDigits > maxIntegerDigits)
        return std::nullopt;
    const double value = ReadNumber(text);
    return negative ? -value : value;
}

} // namespace kszw
