#include "formview/page_rules.h"

#include "common/text.h"

#include <cmath>
#include <cstdlib>

namespace kszw {

int pageCount(int textRows, int rowsPerPage)
{
    if (textRows < 1 || rowsPerPage < 1)
        return 1;
    return (textRows - 1) / rowsPerPage + 1;
}

std::optional<PageSetupRefusal> checkPageSetup(const PageSetupValues& v)
{
    if (v.width < 10 || v.width > 999)
        return PageSetupRefusal{"无效的页面宽度，\r\r输入另一个数。", PageField::Width};
    if (v.length < 10 || v.length > 999)
        return PageSetupRefusal{"无效的页面长度，\r\r输入另一个数。", PageField::Length};
    if (std::fabs(v.lineSpacing) < 0.0001 || v.lineSpacing > 999 || v.lineSpacing < 0)
        return PageSetupRefusal{"打印行间距无效，\r\r输入另一个数。", PageField::LineSpacing};
    if (v.head >= v.length || v.head < 0)
        return PageSetupRefusal{"无效的页头长度，\r\r输入另一个数。", PageField::Head};
    if (v.length - v.head - v.foot < 10 || v.foot < 0)
        return PageSetupRefusal{"所给页面除去页头和页脚长度已没有打印区域，\r\r请重新调整页长、页头和页脚之间的长度。",
                                PageField::Foot};
    if (v.left > v.width || v.left < 0)
        return PageSetupRefusal{"无效的页左边距，\r\r输入另一个数。", PageField::Left};
    if (v.right > v.width || v.right < 0)
        return PageSetupRefusal{"无效的页右边距，\r\r输入另一个数。", PageField::Right};
    if (v.width - v.left - v.right < 10)
        return PageSetupRefusal{"所给页面除去左右边距外，已没有打印区域，\r\r请重新调整页宽、页左边距和页右边距之间的长度。",
                                PageField::Right};
    return std::nullopt;
}

std::string millimetreText(int tenthsOfMillimetre)
{
    return format("%.1lf", tenthsOfMillimetre / 10.0);
}

int tenthsOfMillimetre(double millimetres)
{
    return static_cast<int>(std::lround(millimetres * 10.0));
}

namespace {

// A page number typed in the range fields: digits only, from 1 up to the page count.
bool validPage(std::string_view text, int pageCount)
{
    const std::string page = trimWhitespace(text);
    if (!isAllDigits(page) || page.size() > 9)
        return false;
    const int value = std::atoi(page.c_str());
    return value >= 1 && value <= pageCount;
}

} // namespace

std::optional<PrintRefusal> checkPrintRange(bool rangeChosen, std::string_view from, std::string_view to,
                                            int copies, int pageCount)
{
    if (rangeChosen) {
        if (!validPage(from, pageCount))
            return PrintRefusal{"指定开始打印页无效，或大于当前打印的最多页，\r\r输入另一个数。", PrintField::FromPage};
        if (!validPage(to, pageCount))
            return PrintRefusal{"指定终止打印页无效，或大于当前打印的最多页，\r\r输入另一个数。", PrintField::ToPage};
        if (std::atoi(trimWhitespace(from).c_str()) > std::atoi(trimWhitespace(to).c_str()))
            return PrintRefusal{"指定开始打印页大于终止打印页，\r\r输入另一个数。", PrintField::FromPage};
    }
    if (copies < 1)
        return PrintRefusal{"无效的打印份数，\r\r输入另一个数。", PrintField::Copies};
    return std::nullopt;
}

std::string_view colorName(RgbColor color)
{
    struct Named {
        RgbColor color;
        std::string_view name;
    };
    static constexpr Named kNames[] = {
        {makeRgb(0, 0, 0), "黑色"},         {makeRgb(255, 255, 255), "白色"}, {makeRgb(255, 0, 0), "红色"},
        {makeRgb(0, 128, 0), "绿色"},       {makeRgb(0, 0, 255), "蓝色"},     {makeRgb(255, 255, 0), "黄色"},
        {makeRgb(128, 0, 128), "紫色"},     {makeRgb(255, 0, 255), "紫红色"}, {makeRgb(128, 128, 0), "橄榄色"},
        {makeRgb(0, 255, 0), "浅绿色"},     {makeRgb(0, 255, 255), "浅青色"}, {makeRgb(128, 0, 0), "深红色"},
        {makeRgb(0, 128, 128), "深青色"},   {makeRgb(128, 128, 128), "灰色"}, {makeRgb(192, 192, 192), "银色"},
        {makeRgb(0, 0, 128), "藏青色"},
    };
    for (const Named& named : kNames)
        if (named.color == color)
            return named.name;
    return "自定义色";
}

std::string_view fontStyleName(const FontSpec& font)
{
    const bool bold = font.weight >= 600;
    const bool italic = font.italic != 0;
    if (bold && italic)
        return "粗斜体字样";
    if (bold)
        return "粗体字样";
    if (italic)
        return "斜体字样";
    return "常规字样";
}

std::string_view checkMark(bool set)
{
    return set ? "√" : "×";
}

} // namespace kszw
