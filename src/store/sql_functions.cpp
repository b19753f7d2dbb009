#include "store/sql_functions.h"

#include "common/text.h"
#include "store/database_error.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kszw {

double leadingNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        number += text[i++];
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        number += text[i++];
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            number += text[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    // An exponent counts only when digits follow it.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            exponent += text[j++];
        bool exponentDigits = false;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            exponent += text[j++];
            exponentDigits = true;
        }
        if (exponentDigits)
            number += exponent;
    }
    double value = std::strtod(number.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
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
    if (!std::isfinite(value))
        return "0";
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return format("%.0f", value == 0.0 ? 0.0 : value);
    // Fifteen significant digits, written without an exponent, trailing zeros removed.
    int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    int decimals = 14 - magnitude;
    if (decimals < 0)
        decimals = 0;
    if (decimals > 30)
        decimals = 30;
    std::string text = format("%.*f", decimals, value);
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
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
