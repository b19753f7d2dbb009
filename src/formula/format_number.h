// Numbers as text: the one formatter every view uses to show and print amounts, and the
// locale-independent "%lf"-style writing and reading the evaluator carries its numbers in.
// Every rounding to a number of decimals here is the bookkeeper's one, half away from zero
// (0.125 → 0.13, 2.5 → 3, −2.5 → −3), with ties decided on the exact binary value, so 1.005,
// which is stored as 1.00499999999999989…, still gives 1.00.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kszw {

// Integer digits an amount may have: thirteen digits and two decimals are still exact in a double.
inline constexpr int kMaxAmountDigits = 13;

// The value with width, minimum and maximum decimals as every view shows it: grouping commas,
// right-aligned in width (0: no padding), stars when it does not fit, blanks when it is zero.
std::string FormatNumber(double value, int width, int minDec, int maxDec);

// The text without its grouping commas: FormatNumber's companion for callers that need a plain number.
std::string RemoveGroupCommas(std::string_view text);

// The value as plain text with up to six decimals, trailing zeros removed and no commas, as the
// evaluator writes a number that meets a string; a value that rounds to zero gives the empty text.
std::string PlainNumberText(double value);

// PlainNumberText, but zero is written "0": how the calculator and kszw-cli calc show a result.
std::string NumberToText(double value);

// The value written with exactly that many decimals (0 … 100), like "%.*f" in the C locale but
// rounded half away from zero.
std::string FixedText(double value, int decimals);

// The leading number of a text, read like atof in the C locale (blanks, sign, digits, point,
// exponent); 0 when the text does not begin with a number.
double ReadNumber(std::string_view text);

// A typed or imported plain decimal ("1234.5", "-0.25", "−3"): blanks around it, a leading minus
// (ASCII or "−"), digits and at most one point, nothing else. Nothing when the text is empty, is
// not such a number, or has more than maxIntegerDigits digits before the point, so that no amount
// can be too big to keep its cents exactly.
std::optional<double> ReadPlainDecimal(std::string_view text, int maxIntegerDigits = kMaxAmountDigits);

// The value rounded to six decimals, as written with FixedText and read back.
double RoundToSixDecimals(double value);

} // namespace kszw
