// Amounts written in Chinese capital characters (大写金额, as on cheques and vouchers) and integers
// written digit by digit in Chinese numerals (years on printed headings).
#pragma once

#include <string>

namespace kszw {

// The amount in capitals, e.g. 10005.10 → 壹万零伍元壹角, 100 → 壹佰元整, −3 → 负叁元整;
// an amount that rounds to zero cents, and one of 10^16 or more (or not finite), gives the empty text.
std::string AmountInCapitals(double money);

// Each digit of the integer as a Chinese numeral: 2007 → 二○○七 (a minus sign stays "-").
std::string DigitsInChinese(long long number);

} // namespace kszw
