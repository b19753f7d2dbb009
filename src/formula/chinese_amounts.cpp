// AmountInCapitals and DigitsInChinese. The capitals are built digit by digit with their place
// units and then tidied by a fixed sequence of replacements that merges runs of 零.
#include "formula/chinese_amounts.h"

#include "common/text.h"

#include "formula/format_number.h"

#include <cmath>
#include <string_view>

namespace kszw {

namespace {

constexpr std::string_view kCapitalDigits[10] = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
constexpr std::string_view kChineseDigits[10] = {"○", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
constexpr double kFirstAmountWithoutUnits = 1e16;

// The unit written after a digit at a place (0 the yuan digit, −1 jiao, −2 fen). A zero digit
// keeps only the units that the tidying replacements need: 元, 万, 亿 and the jiao and fen units.
// Places 12 to 15 count the 万亿 group (壹万亿 for 10^12) the way 4 to 7 count 万; no amount
// written here has a higher place.
std::string_view placeUnit(int place, bool zero)
{
    switch (place) {
    case -2: return "分";
    case -1: return "角";
    case 0: return "元";
    case 4: return "万";
    case 8: return "亿";
    case 12: return "万";
    default: break;
    }
    if (zero)
        return {};
    switch (place % 4) {
    case 1: return "拾";
    case 2: return "佰";
    case 3: return "仟";
    default: return {};
    }
}

} // namespace

std::string AmountInCapitals(double money)
{
    // The units reach 仟万亿 (place 15): an amount of 10^16 or more has no place for its first digit.
    if (!std::isfinite(money) || std::fabs(money) >= kFirstAmountWithoutUnits)
        return {};
    // Written to the cent half away from zero, so 0.125 is 壹角叁分.
    std::string digits = FixedText(std::fabs(money), 2);
    if (std::fabs(money) < 0.005 || digits == "0.00")
        return {};
    digits.erase(digits.size() - 3, 1);

    // The sign follows the amount as written to the cent, so −0.008 (shown as 0.01) is 负壹分.
    std::string text = money < 0 ? "负" : "";
    int count = static_cast<int>(digits.size());
    bool skippedYuan = false;
    for (int i = 0; i < count; ++i) {
        int digit = digits[static_cast<size_t>(i)] - '0';
        int place = count - 3 - i;
        if (count == 3 && i == 0 && digit == 0) {
            skippedYuan = true;
            continue;
        }
        if (skippedYuan && i == 1 && digit == 0)
            continue;
        text.append(kCapitalDigits[digit]);
        text.append(placeUnit(place, digit == 0));
    }

    text = replaceAll(text, "零零", "零");
    text = replaceAll(text, "零零", "零");
    text = replaceAll(text, "零亿", "亿");
    text = replaceAll(text, "亿零万零元", "亿元");
    text = replaceAll(text, "零万", "万");
    text = replaceAll(text, "万零元", "万元");
    text = replaceAll(text, "零元", "元");
    text = replaceAll(text, "零角零分", "");
    text = replaceAll(text, "零角", "零");
    text = replaceAll(text, "零分", "");
    if (digits[digits.size() - 2] == '0' && digits[digits.size() - 1] == '0')
        text.append("整");
    return text;
}

std::string DigitsInChinese(long long number)
{
    std::string digits = std::to_string(number);
    std::string text;
    text.reserve(digits.size() * 3);
    for (char c : digits) {
        if (c >= '0' && c <= '9')
            text.append(kChineseDigits[c - '0']);
        else
            text += c;
    }
    return text;
}

} // namespace kszw
