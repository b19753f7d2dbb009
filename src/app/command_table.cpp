#include "app/command_table.h"

#include <array>
#include <string>

namespace kszw {

namespace {

using enum Enabling;

constexpr std::array kCommands = {
    // 通用服务
    CommandInfo{cmd::kLogin, "操作环境注册", "", "", NoChild, "改变用户身份或帐务数据文件\n操作环境注册"},
    CommandInfo{cmd::kPassword, "操作员口令设置与更改", "", "", Always, "设置或更改当前操作员的口令\n口令设置"},
    CommandInfo{cmd::kPrint, "打印(&P)...", "Ctrl+P", "", ByView, "打印当前视图\n打印"},
    CommandInfo{cmd::kPrintPreview, "打印预览(&V)", "", "", ByView, "显示整页\n打印预览"},
    CommandInfo{cmd::kExportPdf, "输出 PDF 文件(&O)...", "", "", ByView, "把当前视图的全部页输出为 PDF 文件\n输出 PDF"},
    CommandInfo{cmd::kExportCsv, "导出 CSV 文件(&C)...", "", "", ByView, "把当前视图的表格导出为 CSV 文件\n导出 CSV"},
    CommandInfo{cmd::kExportXlsx, "导出 Excel 文件(&E)...", "", "", ByView, "把当前视图的表格导出为 Excel 工作簿\n导出 Excel"},
    CommandInfo{cmd::kPrintSetup, "打印设置(&R)...", "", "", Always, "改变打印机及打印选项\n打印设置"},
    CommandInfo{cmd::kPageSetup, "页面设置(&L)...", "", "", ByView, "设置当前视图的纸张、页边距、行距和字体\n页面设置"},
    CommandInfo{cmd::kCalculator, "计算器(D)", "", "", Always, "计算表达式的值\n计算器"},
    CommandInfo{cmd::kCopy, "复制", "", "", ByView, "复制所选单元并放到剪贴板上\n复制"},
    CommandInfo{cmd::kCut, "剪切", "", "", ByView, "剪切所选单元并放到剪贴板上\n剪切"},
    CommandInfo{cmd::kPaste, "粘贴", "", "", ByView, "插入剪贴板内容\n粘贴"},
    CommandInfo{cmd::kSave, "保存数据(&S)", "Ctrl+S", "", ByView, "保存当前数据\n保存"},
    CommandInfo{cmd::kClose, "关闭(&C)", "Ctrl+F4", "", ChildOpen, "关闭当前窗口\n关闭"},
    CommandInfo{cmd::kExit, "退出帐务软件(&X)", "Alt+F4", "", Always, "退出帐务软件\n退出"},
    // 记帐凭证
    CommandInfo{cmd::kVoucherQuery, "查询", "", "0201", Permission, "记帐凭证查询\n凭证查询"},
    CommandInfo{cmd::kVoucherSummary, "汇总", "", "0202", Permission, "记帐凭证汇总\n凭证汇总"},
    CommandInfo{cmd::kVoucherEntry, "制作", "", "0203", Permission, "记帐凭证制作\n凭证制作"},
    CommandInfo{cmd::kVoucherReview, "复核登帐", "", "0204", Permission, "记帐凭证复核与登帐\n复核登帐"},
    CommandInfo{cmd::kMonthClose, "结帐", "", "0205", Permission, "月末结帐\n结帐"},
    CommandInfo{cmd::kVoucherClasses, "凭证分类设置", "", "0206", Permission, "设置凭证类别\n凭证分类设置"},
    CommandInfo{cmd::kTemplateDirectory, "分录模板目录定义", "", "0207", Permission, "定义凭证分录模板目录\n模板目录"},
    CommandInfo{cmd::kTemplateEntries, "模板分录定义", "", "0208", Permission, "定义凭证分录模板的分录\n模板分录"},
    CommandInfo{cmd::kTemplateVariables, "分录模板变量表", "", "0209", Permission, "定义分录模板的变量\n模板变量表"},
    CommandInfo{cmd::kImportVouchers, "导入凭证...", "", "0203", Permission, "从 CSV 文件导入记帐凭证\n导入凭证"},
    // 会计帐簿
    CommandInfo{cmd::kThreeColumnLedger, "三栏式帐", "", "0301", Permission, "三栏式明细帐与总帐\n三栏式帐"},
    CommandInfo{cmd::kMultiColumnLedger, "多栏式帐", "", "0302", Permission, "多栏式明细帐\n多栏式帐"},
    CommandInfo{cmd::kQuantityLedger, "数量金额式帐", "", "0303", Permission, "数量金额式明细帐\n数量金额式帐"},
    CommandInfo{cmd::kCurrencyLedger, "复币式帐", "", "0304", Permission, "复币式明细帐\n复币式帐"},
    CommandInfo{cmd::kBalanceTable, "余额表", "", "0305", Permission, "帐簿余额表\n余额表"},
    CommandInfo{cmd::kTurnoverTable, "余额及发生额表", "", "0306", Permission, "帐簿余额及发生额表\n余额及发生额表"},
    CommandInfo{cmd::kFuzzyQuery, "帐页模糊查询", "", "0307", Permission, "按条件查询帐页\n帐页模糊查询"},
    // 财务报表
    CommandInfo{cmd::kFinancialReport, "财务报表...", "", "0305", Permission, "资产负债表、利润表等财务报表\n财务报表"},
    // Those who keep the books' settings (0101) change the definitions; those who read the
    // balance tables (0305) may look at them.
    CommandInfo{cmd::kReportDefinition, "报表定义...", "", "0101|0305", Permission, "定义财务报表的项目和公式\n报表定义"},
    // 会计科目
    CommandInfo{cmd::kSubjectQuery, "目录查询", "", "0401", Permission, "会计科目目录查询\n目录查询"},
    CommandInfo{cmd::kSubjectPrint, "科目目录打印", "", "0402", Permission, "打印会计科目目录\n科目目录打印"},
    CommandInfo{cmd::kSubjectSetup, "科目设置", "", "0403", Permission, "设置会计科目\n科目设置"},
    CommandInfo{cmd::kOpeningBalances, "年初科目余额", "", "0404", Permission, "输入年初会计科目余额\n年初科目余额"},
    CommandInfo{cmd::kCurrencies, "外币科目设置", "", "0405", Permission, "设置外币及其汇兑损益科目\n外币科目设置"},
    CommandInfo{cmd::kExchangeRates, "外币汇率设置", "", "0406", Permission, "设置外币汇率\n外币汇率设置"},
    // 帐务管理
    CommandInfo{cmd::kOperators, "操作人员管理", "", "0101", PermissionNoChild, "管理操作员及其权限\n操作人员管理"},
    CommandInfo{cmd::kNewYear, "建新年度帐", "", "0101", PermissionNoChild, "建立新年度数据文件\n建新年度帐"},
    CommandInfo{cmd::kCarryForward, "转帐", "", "0101", PermissionNoChild, "把上年度的设置和余额转入本年度\n转帐"},
    CommandInfo{cmd::kCopySets, "拷贝会计信息", "", "0101", PermissionNoChild, "从其他帐套拷贝会计信息\n拷贝会计信息"},
    CommandInfo{cmd::kNewAccountSet, "建立帐套", "", "0101", PermissionNoChild, "建立新帐套\n建立帐套"},
    CommandInfo{cmd::kAccountSetInfo, "帐套信息修改", "", "0101", PermissionNoChild, "修改帐套信息\n帐套信息修改"},
    CommandInfo{cmd::kBackup, "备份帐务数据...", "", "0101", Permission, "备份本年度帐务数据或整个帐套\n备份"},
    CommandInfo{cmd::kRestore, "恢复帐务数据...", "", "0101", PermissionNoChild, "从备份恢复本年度帐务数据\n恢复"},
    // 查看
    CommandInfo{cmd::kToolBar, "工具栏(&T)", "", "", Always, "显示或隐藏工具栏\n工具栏"},
    CommandInfo{cmd::kStatusBar, "状态栏(&S)", "", "", Always, "显示或隐藏状态栏\n状态栏"},
    // 窗口
    CommandInfo{cmd::kNewWindow, "新建窗口(&N)", "", "", ChildOpen, "为当前视图再开一个窗口\n新建窗口"},
    CommandInfo{cmd::kCascade, "层叠(&C)", "", "", ChildOpen, "层叠排列窗口\n层叠"},
    CommandInfo{cmd::kTile, "平铺(&T)", "", "", ChildOpen, "平铺排列窗口\n平铺"},
    CommandInfo{cmd::kArrangeIcons, "排列图标(&A)", "", "", ChildOpen, "排列最小化窗口的图标\n排列图标"},
    // 帮助
    CommandInfo{cmd::kHelpTopics, "帮助主题(&H)", "", "", Always, "列出帮助主题\n帮助主题"},
    CommandInfo{cmd::kAbout, "关于帐务软件(&A)...", "", "", Always, "显示程序的名称和版本\n关于"},
    // Toolbar only.
    CommandInfo{cmd::kNewVoucher, "", "", "", ByView, "新建\n新建"},
    CommandInfo{cmd::kFileOpen, "", "", "", ByView, "打开\n打开"},
    CommandInfo{cmd::kUndo, "", "", "", ByView, "撤消上一次修改\n撤消"},
    CommandInfo{cmd::kRedo, "", "", "", ByView, "重做上一次撤消的修改\n重做"},
    CommandInfo{cmd::kTemplateVoucher, "", "", "", ByView, "利用凭证分录模板生成凭证\n模板生成凭证"},
    CommandInfo{cmd::kNextFreeNumber, "", "", "", ByView, "下一个可用的凭证号\n下一空号"},
    CommandInfo{cmd::kLargestFreeNumber, "", "", "", ByView, "最大的可用凭证号\n最大空号"},
    CommandInfo{cmd::kSubjectLookup, "", "", "", ByView, "查询会计科目\n科目查询"},
    CommandInfo{cmd::kContextHelp, "", "", "", Always, "显示所指对象的帮助\n帮助"},
};

} // namespace

std::span<const CommandInfo> allCommands()
{
    return kCommands;
}

const CommandInfo* findCommand(int id)
{
    for (const CommandInfo& command : kCommands)
        if (command.id == id)
            return &command;
    return nullptr;
}

const std::vector<MenuInfo>& mainMenu()
{
    static const std::vector<MenuInfo> menu = {
        {"通用服务(&F)", {cmd::kLogin, cmd::kPassword, 0, cmd::kPrint, cmd::kPrintPreview, cmd::kExportPdf, cmd::kExportCsv,
                          cmd::kExportXlsx, cmd::kPrintSetup,
                          cmd::kPageSetup, 0, cmd::kCalculator, 0, cmd::kCopy, cmd::kCut, cmd::kPaste, 0, cmd::kSave,
                          cmd::kClose, 0, cmd::kExit}},
        {"记帐凭证(&E)", {cmd::kVoucherQuery, cmd::kVoucherSummary, cmd::kVoucherEntry, cmd::kVoucherReview,
                          cmd::kMonthClose, 0, cmd::kVoucherClasses, cmd::kTemplateDirectory, cmd::kTemplateEntries,
                          cmd::kTemplateVariables, 0, cmd::kImportVouchers}},
        {"会计帐簿(&B)", {cmd::kThreeColumnLedger, cmd::kMultiColumnLedger, cmd::kQuantityLedger,
                          cmd::kCurrencyLedger, 0, cmd::kBalanceTable, cmd::kTurnoverTable, 0, cmd::kFuzzyQuery}},
        {"财务报表(&R)", {cmd::kFinancialReport, 0, cmd::kReportDefinition}},
        {"会计科目(&K)", {cmd::kSubjectQuery, cmd::kSubjectPrint, cmd::kSubjectSetup, cmd::kOpeningBalances, 0,
                          cmd::kCurrencies, cmd::kExchangeRates}},
        {"帐务管理(&G)", {cmd::kOperators, 0, cmd::kNewYear, cmd::kCarryForward, cmd::kCopySets, 0,
                          cmd::kNewAccountSet, cmd::kAccountSetInfo, 0, cmd::kBackup, cmd::kRestore}},
        {"查看", {cmd::kToolBar, cmd::kStatusBar}},
        {"窗口", {cmd::kNewWindow, cmd::kCascade, cmd::kTile, cmd::kArrangeIcons}},
        {"帮助(&H)", {cmd::kHelpTopics, 0, cmd::kAbout}},
    };
    return menu;
}

const std::vector<int>& toolbarButtons()
{
    static const std::vector<int> buttons = {
        cmd::kNewVoucher, cmd::kFileOpen, cmd::kSave, 0, cmd::kPrintPreview, cmd::kPrint, 0, cmd::kCut, cmd::kCopy,
        cmd::kPaste, 0, cmd::kUndo, cmd::kRedo, 0, cmd::kTemplateVoucher, cmd::kNextFreeNumber,
        cmd::kLargestFreeNumber, cmd::kSubjectLookup, 0, cmd::kCalculator, 0, cmd::kAbout, cmd::kContextHelp,
    };
    return buttons;
}

bool isCommandEnabled(const CommandInfo& command, std::string_view permissionText, bool childOpen,
                      bool viewEnables)
{
    // A permission of "a|b" is held with either code.
    auto permitted = [&] {
        std::string_view codes = command.permission;
        while (!codes.empty()) {
            const size_t bar = codes.find('|');
            const std::string_view code = codes.substr(0, bar);
            if (!code.empty() && permissionText.find(code) != std::string_view::npos)
                return true;
            codes = bar == std::string_view::npos ? std::string_view() : codes.substr(bar + 1);
        }
        return false;
    };
    switch (command.enabling) {
    case Always: return true;
    case Permission: return permitted();
    case PermissionNoChild: return permitted() && !childOpen;
    case NoChild: return !childOpen;
    case ByView: return childOpen && viewEnables;
    case ChildOpen: return childOpen;
    }
    return false;
}

std::string_view statusPrompt(const CommandInfo& command)
{
    size_t newline = command.prompt.find('\n');
    return command.prompt.substr(0, newline);
}

std::string toolTip(const CommandInfo& command)
{
    size_t newline = command.prompt.find('\n');
    if (newline != std::string_view::npos)
        return std::string(command.prompt.substr(newline + 1));
    std::string text;
    for (char c : command.text)
        if (c != '&')
            text += c;
    return text;
}

} // namespace kszw
