// JournalTestView: a small journal form (date, voucher number, summary, subject code, debit and
// credit) that keeps its rows in memory. It exercises the form view's contract for the tests,
// screenshots and benchmarks of the form view; it is not part of the program.
#pragma once

#include "formview/ui/form_view.h"

#include <string>
#include <vector>

namespace kszw {

class JournalTestView : public CKsFormView {
    Q_OBJECT
public:
    using Rows = std::vector<std::vector<std::string>>;
    static constexpr int kColumns = 6;
    static constexpr int kDebitColumn = 4;
    static constexpr int kCreditColumn = 5;

    // rows: the journal lines (each padded to six cells); an empty journal gets one empty line.
    explicit JournalTestView(Rows rows = {}, bool editable = true, QWidget* parent = nullptr);

    // count lines of a plausible journal with Chinese summaries.
    static Rows sampleRows(int count);

    const Rows& rows() const { return m_rows; }
    // Sum of an amount column, as the footer shows it.
    double columnTotal(int col) const;

    void InitFormLayout() override;
    void OnRowsAdded(int count) override;
    void DrawHeadings(QPainter& dc) override;
    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override;
    CellInfo GetCellInfo(int row, int col, std::string_view area, bool entering) override;
    void SetCellValue(int row, int col, std::string_view area, const std::string& text) override;
    void OnInsertRows(int atRow, int lastRow, int count) override;

private:
    void recomputeTotals();

    Rows m_rows;
    std::vector<std::string> m_head;
    std::vector<std::string> m_foot;
    double m_debitTotal = 0;
    double m_creditTotal = 0;
};

} // namespace kszw
