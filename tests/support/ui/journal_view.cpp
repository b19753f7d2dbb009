// The journal form of the form-view tests: rows of six cells in memory, amounts shown formatted and
// right-aligned, totals in the footer row, a title, a head line and a foot line.
#include "common/text.h"
#include "formula/format_number.h"
#include "support/ui/journal_view.h"

#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <array>

namespace kszw {

namespace {

struct ColumnSpec {
    const char* title;
    const char* spec;
    int maxLength;
    int extra;
    int width;
};

constexpr std::array<ColumnSpec, JournalTestView::kColumns> kColumnSpecs = {{
    {"日期", "STRING 0123456789", 8, 0, 8},
    {"凭证号", "NUMBER 0", 4, 0, 6},
    {"摘要", "STRING NOT |[]'\"", 40, 0, 24},
    {"科目编码", "CLASSNOSTRING", -1, 0, 12},
    {"借方金额", "NUMBER", 14, 2, 14},
    {"贷方金额", "NUMBER", 14, 2, 14},
}};

bool isAmountColumn(int col)
{
    return col == JournalTestView::kDebitColumn || col == JournalTestView::kCreditColumn;
}

} // namespace

JournalTestView::JournalTestView(Rows rows, bool editable, QWidget* parent)
    : CKsFormView(parent), m_rows(std::move(rows))
{
    if (m_rows.empty())
        m_rows.emplace_back();
    for (auto& row : m_rows)
        row.resize(kColumns);
    m_editable = editable ? 1 : 0;
    m_head = {"单位：岚屿穗演示公司", "2007年度", ""};
    m_foot = {"制表：张三", "复核：李四", "打印日期：2007年01月31日"};
    recomputeTotals();
}

JournalTestView::Rows JournalTestView::sampleRows(int count)
{
    static const char* const summaries[] = {"提取现金备用", "支付办公用品费", "收到华兴公司货款", "购买原材料",
                                            "支付一月份工资", "销售产品收入", "报销差旅费", "缴纳增值税"};
    static const char* const subjects[] = {"1001", "5502-01", "1131-003", "1211", "2151", "5101", "5502-03", "2171-01"};
    Rows rows;
    rows.reserve(static_cast<size_t>(std::max(0, count)));
    for (int i = 0; i < count; ++i) {
        const int day = i % 28 + 1;
        std::string date = "200701" + std::string(day < 10 ? "0" : "") + std::to_string(day);
        const double amount = 100.0 * (i % 97 + 1) + (i % 7) * 12.5;
        std::string value = FixedText(amount, 2);
        const bool debit = i % 2 == 0;
        rows.push_back({date, std::to_string(i / 2 + 1), summaries[i % 8], subjects[i % 8], debit ? value : "",
                        debit ? "" : value});
    }
    return rows;
}

double JournalTestView::columnTotal(int col) const
{
    return col == kDebitColumn ? m_debitTotal : col == kCreditColumn ? m_creditTotal : 0;
}

void JournalTestView::recomputeTotals()
{
    m_debitTotal = 0;
    m_creditTotal = 0;
    for (const auto& row : m_rows) {
        m_debitTotal += ReadNumber(row[kDebitColumn]);
        m_creditTotal += ReadNumber(row[kCreditColumn]);
    }
}

void JournalTestView::InitFormLayout()
{
    SetAreaRows(static_cast<int>(m_rows.size()), 1, 1, 1, 1);
    std::vector<int> widths;
    for (const auto& column : kColumnSpecs)
        widths.push_back(column.width);
    SetTextColumns(widths);
    SetAreaCells("HEAD", 0, {{0, 24}, {440, 10}, {860, 12}});
    SetAreaCells("FOOT", 0, {{0, 16}, {350, 16}, {700, 30}});
    // A view's own item after the shared ones.
    formMenu()->addSeparator();
    QAction* calculator = formMenu()->addAction(QStringLiteral("计算器"));
    connect(calculator, &QAction::triggered, this, [this] { openCalculator(); });
}

void JournalTestView::OnRowsAdded(int count)
{
    if (count > 0)
        m_rows.resize(m_rows.size() + static_cast<size_t>(count), std::vector<std::string>(kColumns));
    else
        m_rows.resize(std::max<size_t>(1, m_rows.size() - std::min(m_rows.size(), static_cast<size_t>(-count))));
    recomputeTotals();
}

void JournalTestView::OnInsertRows(int atRow, int lastRow, int count)
{
    // Rows atRow … lastRow move down by count; the gap is left empty.
    for (int row = lastRow; row >= atRow; --row) {
        if (row + count < static_cast<int>(m_rows.size()) && row >= 0)
            m_rows[static_cast<size_t>(row + count)] = m_rows[static_cast<size_t>(row)];
    }
    for (int row = atRow; row < atRow + count && row < static_cast<int>(m_rows.size()); ++row)
        m_rows[static_cast<size_t>(row)] = std::vector<std::string>(kColumns);
}

void JournalTestView::DrawHeadings(QPainter& dc)
{
    const QString title = QStringLiteral("记 帐 凭 证 清 单");
    dc.setFont(areaFont(kTitleFont));
    const int width = dc.fontMetrics().horizontalAdvance(title);
    const int center = (GetColumnEdge(0) + GetColumnEdge(columnCount())) / 2;
    DrawAreaText(dc, center - width / 2, GetRowTop(0, "TOPIC"), title, "TOPIC");
}

void JournalTestView::DrawCell(QPainter& dc, int row, int col, std::string_view area)
{
    const CellInfo info = GetCellInfo(row, col, area, false);
    if (area == "HEAD" && row == 0 && col == 2) {
        // The page label follows the page being drawn.
        DrawCellText(row, col, dc, format("第%4d 页", drawingPageNumber()), "LEFT", area);
        return;
    }
    if (area == "FORMHEAD") {
        DrawCellText(row, col, dc, info.text, "MID", area);
        return;
    }
    const bool current = currentCell().area == area && currentCell().row == row && currentCell().col == col;
    if ((area == "TEXT" || area == "FORMFOOT") && isAmountColumn(col)) {
        // The cell being edited shows its text as typed; the others the formatted amount.
        const std::string shown =
            current && isEditable() ? info.text : FormatNumber(ReadNumber(info.text), 0, 2, 2);
        DrawCellText(row, col, dc, shown, "RIGHT", area);
        return;
    }
    DrawCellText(row, col, dc, info.text, area == "FORMFOOT" ? "MID" : "LEFT", area);
}

CellInfo JournalTestView::GetCellInfo(int row, int col, std::string_view area, bool)
{
    CellInfo info;
    if (col < 0 || row < 0)
        return info;
    if (area == "TEXT" && row < static_cast<int>(m_rows.size()) && col < kColumns) {
        const ColumnSpec& spec = kColumnSpecs[static_cast<size_t>(col)];
        return CellInfo{m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)], spec.spec, spec.maxLength,
                        spec.extra};
    }
    if (area == "FORMHEAD" && col < kColumns)
        info.text = kColumnSpecs[static_cast<size_t>(col)].title;
    else if (area == "FORMFOOT")
        info.text = col == 0 ? "合计" : isAmountColumn(col) ? FixedText(columnTotal(col), 2) : "";
    else if (area == "HEAD" && row == 0 && col < static_cast<int>(m_head.size()))
        info.text = m_head[static_cast<size_t>(col)];
    else if ((area == "FOOT" || area == "TAIL") && row == 0 && col < static_cast<int>(m_foot.size()))
        info.text = m_foot[static_cast<size_t>(col)];
    info.spec = "STRING NOT |[]'\"";
    info.maxLength = 40;
    return info;
}

void JournalTestView::SetCellValue(int row, int col, std::string_view area, const std::string& text)
{
    if (row < 0 || col < 0)
        return;
    if (area == "TEXT" && row < static_cast<int>(m_rows.size()) && col < kColumns) {
        m_rows[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
        if (isAmountColumn(col))
            recomputeTotals();
    } else if (area == "HEAD" && row == 0 && col < static_cast<int>(m_head.size())) {
        m_head[static_cast<size_t>(col)] = text;
    } else if (area == "FOOT" && row == 0 && col < static_cast<int>(m_foot.size())) {
        m_foot[static_cast<size_t>(col)] = text;
    }
}

} // namespace kszw
