// CheckInput and its helpers: the NUMBER bounds, the class-number (subject code) form and the
// STRING allowed and forbidden character classes.
#include "formview/input_spec.h"

#include "common/text.h"
#include "formula/format_number.h"

#include <algorithm>
#include <cctype>

namespace kszw {

namespace {

constexpr std::string_view kNumberKeyword = "NUMBER";
constexpr std::string_view kClassKeyword = "CLASSNOSTRING";
constexpr std::string_view kStringKeyword = "STRING";
constexpr std::string_view kMdbString = "MDBSTRING";
constexpr std::string_view kMdbReplacement = "STRING NOT |[]'";
constexpr std::string_view kFullWidthStop = "。";

std::string removeBlanks(std::string_view text)
{
    std::string result;
    for (char c : text)
        if (c != ' ')
            result += c;
    return result;
}

// Byte offset of a character index, clamped to the text.
size_t byteOffset(std::string_view text, int caret)
{
    if (caret <= 0)
        return 0;
    return leftChars(text, caret).size();
}

bool checkNumber(std::string_view candidate, std::string_view spec, int lengthLimit, int extraNumber)
{
    if (!IsNumberText(candidate, lengthLimit, extraNumber))
        return false;
    std::string arguments = trimLeft(spec.substr(kNumberKeyword.size()));
    if (arguments.empty())
        return true;
    size_t blank = arguments.find(' ');
    std::string lower = blank == std::string::npos ? arguments : arguments.substr(0, blank);
    std::string upper = blank == std::string::npos ? std::string() : removeBlanks(arguments.substr(blank));
    if (lower == "-" && upper == "+")
        return true;
    double v = ReadNumber(candidate);
    double low = ReadNumber(lower);
    double high = ReadNumber(upper);
    if (lower != "-") {
        if (low > -0.0000001) {
            if (v < 0 || candidate.starts_with("-"))
                return false;
        } else if (v < low) {
            return false;
        }
    }
    if (upper == "-" || upper.empty())
        return true;
    if (high < 0 && v > 0.000001)
        return false;
    if (high > 0 && v > high)
        return false;
    return true;
}

bool checkClassNumber(std::string_view candidate, bool caretAtEnd, std::string_view spec, int lengthLimit)
{
    std::string arguments = removeBlanks(spec.substr(kClassKeyword.size()));
    std::string separator = arguments.empty() ? std::string("-") : leftChars(arguments, 1);
    std::string checked(candidate);
    if (caretAtEnd)
        checked += '1'; // a separator may be typed at the end: the next digit will follow it
    return IsClassNumber(checked, lengthLimit, separator);
}

bool checkString(std::string_view typed, std::string_view candidate, std::string_view spec, int lengthLimit)
{
    if (lengthLimit > 0 && gbkLength(candidate) > lengthLimit)
        return false;
    std::string arguments(spec.substr(kStringKeyword.size()));
    while (arguments.find("  ") != std::string::npos)
        arguments = replaceAll(arguments, "  ", " ");
    arguments = trimLeft(arguments);
    size_t blank = arguments.find(' ');
    std::string allowed = arguments;
    std::string forbidden;
    if (blank != std::string::npos && blank > 0) {
        allowed = arguments.substr(0, blank);
        forbidden = arguments.substr(blank);
    }
    if (!allowed.empty() && !AllMatchClass(allowed, typed))
        return false;
    // One forbidden character refuses the keystroke; for a single typed character this is the
    // same as all of it being forbidden, and a pasted value cannot carry a forbidden character in.
    if (!forbidden.empty())
        for (const std::string& c : splitChars(typed))
            if (MatchesClass(forbidden, c))
                return false;
    return true;
}

} // namespace

std::string TypedForSpec(std::string_view typed, std::string_view spec)
{
    if (spec.find(kNumberKeyword) == std::string_view::npos)
        return std::string(typed);
    return replaceAll(typed, kFullWidthStop, ".");
}

bool CheckInput(std::string_view typed, std::string_view text, int caret, std::string_view spec, int lengthLimit,
                int extraNumber)
{
    std::string specText = trim(spec) == kMdbString ? std::string(kMdbReplacement) : trimLeft(spec);
    if (specText.empty())
        return true;

    // The keystroke is checked as given: a cell or field that takes "。" as "." converts it first
    // (TypedForSpec) and inserts what it checked.
    const std::string_view keystroke = typed;
    size_t at = byteOffset(text, caret);
    std::string candidate;
    candidate.reserve(text.size() + keystroke.size());
    candidate.append(text.substr(0, at));
    candidate.append(keystroke);
    candidate.append(text.substr(at));

    if (specText.starts_with(kNumberKeyword))
        return checkNumber(candidate, specText, lengthLimit, extraNumber);
    if (specText.starts_with(kClassKeyword))
        return checkClassNumber(candidate, at >= text.size(), specText, lengthLimit);
    if (specText.starts_with(kStringKeyword))
        return checkString(keystroke, candidate, specText, lengthLimit);
    return true;
}

bool IsNumberText(std::string_view candidate, int maxInt, int maxDec)
{
    std::string_view s = candidate;
    size_t minus = s.find('-');
    if (minus != std::string_view::npos && minus != 0)
        return false;
    if (minus == 0)
        s.remove_prefix(1);
    if (s.starts_with("0."))
        s.remove_prefix(1);
    size_t point = s.find('.');
    std::string_view integer = s.substr(0, point);
    std::string_view decimals = point == std::string_view::npos ? std::string_view() : s.substr(point + 1);
    for (std::string_view part : {integer, decimals})
        for (char c : part)
            if (c < '0' || c > '9')
                return false;
    size_t firstDigit = integer.find_first_not_of('0');
    integer = firstDigit == std::string_view::npos ? std::string_view() : integer.substr(firstDigit);
    if (maxInt > 0 && static_cast<int>(integer.size()) > maxInt)
        return false;
    size_t lastDigit = decimals.find_last_not_of('0');
    decimals = lastDigit == std::string_view::npos ? std::string_view() : decimals.substr(0, lastDigit + 1);
    return maxDec < 1 || static_cast<int>(decimals.size()) <= maxDec;
}

bool IsClassNumber(std::string_view candidate, int maxSep, std::string_view separator)
{
    if (separator.empty())
        separator = "-";
    std::string doubled = std::string(separator) + std::string(separator);
    if (candidate.find(doubled) != std::string_view::npos || candidate.starts_with(separator) ||
        (candidate.size() >= separator.size() && candidate.substr(candidate.size() - separator.size()) == separator))
        return false;
    int separators = 0;
    for (size_t i = 0; i < candidate.size();) {
        if (candidate.substr(i, separator.size()) == separator) {
            ++separators;
            i += separator.size();
        } else if (candidate[i] >= '0' && candidate[i] <= '9') {
            ++i;
        } else {
            return false;
        }
    }
    return maxSep < 0 || separators <= maxSep;
}

bool MatchesClass(std::string_view classText, std::string_view character)
{
    if (classText.starts_with("NOT"))
        return true;
    if (character.empty())
        return false;
    unsigned char c = static_cast<unsigned char>(character[0]);
    bool ascii = character.size() == 1 && c < 0x80;
    if (classText.starts_with("UPPERCHAR"))
        return ascii && c >= 'A' && c <= 'Z';
    if (classText.starts_with("LOWERCHAR"))
        return ascii && c >= 'a' && c <= 'z';
    if (classText.starts_with("SPACE"))
        return ascii && std::isspace(c) != 0;
    if (classText.starts_with("DIGIT"))
        return ascii && c >= '0' && c <= '9';
    if (classText.starts_with("ASCII"))
        return ascii;
    if (classText.starts_with("CHAR_DIGIT"))
        return ascii && std::isalnum(c) != 0;
    if (classText.starts_with("CHAR"))
        return ascii && std::isalpha(c) != 0;
    return classText.find(character) != std::string_view::npos;
}

bool AllMatchClass(std::string_view classText, std::string_view text)
{
    for (const std::string& c : splitChars(text))
        if (!MatchesClass(classText, c))
            return false;
    return true;
}

} // namespace kszw
