// The SQL functions val, strcomp and cstr. Numbers are read and written with std::from_chars and
// std::to_chars, never with strtod or printf, so they keep the decimal point whatever LC_NUMERIC
// the GUI switched to (under a German locale strtod would read '12.5' as 12).
#include "store/sql_functions.h"

#include "common/number_text.h"
#include "common/text.h"
#include "store/database_error.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace kszw {

namespace {

// "%.*f" in the C locale.
std::string fixedText(double value, int decimals)
{
    char buffer[400];
    auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (written.ec != std::errc())
        return "0";
    return std::string(buffer, written.ptr);
}

} // namespace

double leadingNumber(std::string_view text)
{
    const std::optional<LeadingNumber> number = scanLeadingNumber(text, " \t");
    if (!number)
        return 0.0;
    double value = 0;
    const std::string_view digits = number->digits;
    auto read = std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
    // Out of range: a number too large to hold counts as none, one too small is 0 anyway.
    if (read.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return number->negative ? -value : value;
}

int compareStrings(std::string_view a, std::string_view b, int mode)
{
    int result;
    if (mode == 0) {
        result = a.compare(b);
    } else {
        result = toUpperAscii(a).compare(toUpperAscii(b));
    }
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

std::string numberToPlainText(double value)
{
    if (!std::isfinite(value) || value == 0)
        return "0";
    // Integers as they are; other numbers with fifteen significant digits, written without an
    // exponent, trailing zeros removed.
    int decimals = 0;
    if (value != std::floor(value)) {
        int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
        decimals = std::clamp(14 - magnitude, 0, 30);
    }
    std::string text = fixedText(value, decimals);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    if (text == "-0")
        text = "0";
    return text;
}

namespace {

std::string_view textArgument(sqlite3_value* value)
{
    const unsigned char* text = sqlite3_value_text(value);
    if (!text)
        return {};
    return std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_value_bytes(value)));
}

void valFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_int(context, 0);
        return;
    case SQLITE_INTEGER:
        sqlite3_result_int64(context, sqlite3_value_int64(argv[0]));
        return;
    case SQLITE_FLOAT:
        sqlite3_result_double(context, sqlite3_value_double(argv[0]));
        return;
    default:
        break;
    }
    double value = leadingNumber(textArgument(argv[0]));
    if (value == std::floor(value) && std::fabs(value) < 9e15)
        sqlite3_result_int64(context, static_cast<sqlite3_int64>(value));
    else
        sqlite3_result_double(context, value);
}

void strcompFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    int mode = argc > 2 ? sqlite3_value_int(argv[2]) : 0;
    sqlite3_result_int(context, compareStrings(textArgument(argv[0]), textArgument(argv[1]), mode));
}

void cstrFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(context);
        return;
    case SQLITE_INTEGER: {
        std::string text = std::to_string(sqlite3_value_int64(argv[0]));
        sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return;
    }
    case SQLITE_FLOAT: {
        std::string text = numberToPlainText(sqlite3_value_double(argv[0]));
        sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return;
    }
    default: {
        std::string_view text = textArgument(argv[0]);
        sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

void define(sqlite3* db, const char* name, int argc, void (*function)(sqlite3_context*, int, sqlite3_value**))
{
    int rc = sqlite3_create_function_v2(db, name, argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, function,
                                        nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw DatabaseError(sqlite3_errmsg(db), rc);
}

} // namespace

void registerSqlFunctions(sqlite3* db)
{
    define(db, "val", 1, valFunction);
    define(db, "strcomp", 2, strcompFunction);
    define(db, "strcomp", 3, strcompFunction);
    define(db, "cstr", 1, cstrFunction);
}

} // namespace kszw
