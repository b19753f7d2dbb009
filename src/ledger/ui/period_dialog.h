// CPeriodDlg: the period dialog of the ledger views (请输入时间段). It shows the year of the
// period and asks for a start and an end accounting month; confirmed, it gives the two period
// codes (year × 100 + month, "202603") and the period title ("2026 年  3 月 至  5 月"). A month
// outside 1..12, or an end before the start, is refused with a stop box and the focus goes back
// to the month concerned. The checks are the core's (checkPeriodMonths).
#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <string_view>

class QLabel;
class QPushButton;

namespace kszw {

class CSpecEdit;
struct Prompt;

// A query span of accounting months of one year, as the ledger views keep it.
struct LedgerPeriod {
    int year = 0;
    int startMonth = 1;
    int endMonth = 12;

    // The six-digit period codes, year × 100 + month printed with "%d".
    std::string startCode() const;
    std::string endCode() const;
    // "%4d 年 %2d 月", or "%4d 年 %2d 月 至 %2d 月" when the months differ.
    std::string title() const;
    friend bool operator==(const LedgerPeriod&, const LedgerPeriod&) = default;
};

// The period of two period codes ("202601", "202612"): the year from the first four digits, the
// months from the last two; nothing when a code is not six digits.
std::optional<LedgerPeriod> periodFromCodes(std::string_view startCode, std::string_view endCode);

// The period dialog.
class CPeriodDlg : public QDialog {
    Q_OBJECT
public:
    // The fields start with the months of the period; its year is shown and kept.
    CPeriodDlg(const LedgerPeriod& period, Prompt& prompt, QWidget* parent = nullptr);

    // Runs the dialog modally; the confirmed period, or nothing when cancelled.
    static std::optional<LedgerPeriod> askPeriod(const LedgerPeriod& period, Prompt& prompt, QWidget* parent = nullptr);

    // The period confirmed last (the starting one until then).
    const LedgerPeriod& period() const { return m_period; }

    CSpecEdit* startField() const { return m_start; }
    CSpecEdit* endField() const { return m_end; }
    QLabel* yearLabel() const { return m_yearLabel; }
    QPushButton* confirmButton() const { return m_confirm; }

public slots:
    // &S.确认: the months checked; a refusal is told with the stop icon and its field focused.
    void confirm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusField(CSpecEdit* field);

    Prompt& m_prompt;
    LedgerPeriod m_period;
    QLabel* m_yearLabel = nullptr;
    CSpecEdit* m_start = nullptr;
    CSpecEdit* m_end = nullptr;
    QPushButton* m_confirm = nullptr;
};

} // namespace kszw
