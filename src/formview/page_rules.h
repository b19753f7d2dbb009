// The rules of printing a form view that do not depend on a device: how many pages a view
// prints, the checks of the print and page-setup dialogs, and the names the page-setup dialog
// shows for colours and font styles.
#pragma once

#include "formview/print_settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace kszw {

// Messages of printing.
inline constexpr std::string_view kRowsDoNotFit = "行距太大，或纸张太小！";
inline constexpr std::string_view kNoPrinter = "黄牌警告：\r\t尚未安装打印机，不能打印!";
inline constexpr std::string_view kPrintCaption = "岚屿穗财务软件";
inline constexpr std::string_view kPrintDialogCaption = "岚屿穗软件-打印";
inline constexpr std::string_view kPageSetupCaption = "岚屿穗软件-页面设置";

// Pages of a view with textRows rows and rowsPerPage rows on a page: 1 when it has no rows or no
// row fits.
int pageCount(int textRows, int rowsPerPage);

// The page-setup values as the dialog shows them, in millimetres.
struct PageSetupValues {
    double width = 0;
    double length = 0;
    double lineSpacing = 0;
    double head = 0;
    double foot = 0;
    double left = 0;
    double right = 0;
};

// Which field a refusal concerns, so the dialog can put the focus there.
enum class PageField { Width, Length, LineSpacing, Head, Foot, Left, Right };

struct PageSetupRefusal {
    std::string_view message;
    PageField field;
};

// The checks of confirming page setup, in order; nothing when the values are accepted.
std::optional<PageSetupRefusal> checkPageSetup(const PageSetupValues& values);

// Millimetres shown with one decimal ("%.1lf"), and back to 0.1 mm.
std::string millimetreText(int tenthsOfMillimetre);
int tenthsOfMillimetre(double millimetres);

// The checks of confirming the print dialog with a page range ("指定"), in order: from-page,
// to-page, from above to, copies. from and to are the texts typed; nothing when accepted.
enum class PrintField { FromPage, ToPage, Copies };
struct PrintRefusal {
    std::string_view message;
    PrintField field;
};
std::optional<PrintRefusal> checkPrintRange(bool rangeChosen, std::string_view from, std::string_view to,
                                            int copies, int pageCount);

// The name of a colour in the page-setup list ("黑色" …, "自定义色" for any other).
std::string_view colorName(RgbColor color);
// The style of a font: "常规字样", "斜体字样", "粗体字样" or "粗斜体字样".
std::string_view fontStyleName(const FontSpec& font);
// "√" when set, "×" when not.
std::string_view checkMark(bool set);

} // namespace kszw
