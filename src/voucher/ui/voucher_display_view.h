// CKszwpz1: the voucher display view (记帐凭证查询). It shows the vouchers of a selection one at a
// time, read only, in the selection's order: the title " 记 帐 凭 证 ", the head line (month,
// number, attachments; the unit's name on paper), the lines (plain: 摘要, 科目名称, 借方发生额,
// 贷方发生额; with quantities: 摘要, 科目名称, 方向, 数量/外币, 单价/汇率, 金额) with their totals,
// and the foot line with the chief accountant, the reviewer and the maker. Ctrl+PageDown shows the
// next voucher of the selection (after the last the first again). Opened from the review selection,
// F3 reviews the shown voucher or takes its review back and goes on with the next one; Open (and
// a double click there) chooses vouchers again through a hook the main window provides.
//
// A voucher that needs more than one printed page continues on the next with running totals
// ("累（或小）     计") and the page-of-pages number ("第 0001(1/2) 号"). The plain and the quantity
// layout keep their column widths and page settings apart (print-settings mode "0" and "1").
#pragma once

#include "formview/ui/form_view.h"
#include "voucher/voucher_listing.h"
#include "voucher/voucher_review.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class CKszwEnv;
class DatabaseError;
struct Clock;

// Where the vouchers on display were chosen.
enum class DisplaySource {
    Query,  // the query selection: Open chooses again
    Review, // the review selection: F3 reviews or cancels, Open and a double click choose again
    Single, // one voucher opened from a ledger: no F3, no choosing again
};

// What a page of the view shows around the lines: the head line, the totals row under the lines
// and the foot line.
struct VoucherPageTexts {
    std::string unit;        // the unit's name, on paper only
    std::string month;       // "2026 年 3 月", or "     年    月" with no voucher
    std::string number;      // "第 0001 号", "第 0001(1/2) 号"
    std::string attachments; // "附件：   2 张"
    std::vector<std::string> totals; // one text per column
    std::vector<std::string> foot;   // 会计主管, 记帐, 出纳, 复核, 制证
};

// The voucher display view.
class CKszwpz1 : public CKsFormView {
    Q_OBJECT
public:
    // An empty view over the logged-in year file; its print settings are kept there.
    CKszwpz1(CKszwEnv& env, const Clock& clock, QWidget* parent = nullptr);

    // Shows the first voucher of a selection (list order); an empty selection shows the empty
    // form. A key whose date is a month code ("03") names the voucher of that number in that
    // accounting month, as the query selection chooses them. operation is what F3 does for a
    // review selection.
    void showSelection(std::vector<VoucherKey> keys, DisplaySource source,
                       ReviewOperation operation = ReviewOperation::Review);
    // What choosing again runs (Open, and a double click in a view of a review selection); it is
    // to call showSelection with the new choice. Without it Open is not offered.
    void setReselect(std::function<void(CKszwpz1&)> reselect) { m_reselect = std::move(reselect); }

    // Shows the next voucher of the selection, after the last the first (Ctrl+PageDown).
    void showNextVoucher();
    // F3: reviews the shown voucher (or takes its review back), a refusal told and the voucher
    // left as it was; a voucher changed since it was shown is refused. Then the next voucher of
    // the selection not handled yet is shown (one passed over with Ctrl+PageDown comes round
    // again); when every one is handled the selection is emptied and that is told.
    void reviewShownVoucher();
    // Runs the choosing-again hook.
    void chooseAgain();

    const std::vector<VoucherKey>& selectedVouchers() const { return m_keys; }
    // The place of the shown voucher in the selection (-1: nothing selected).
    int selectionIndex() const { return m_keys.empty() ? -1 : m_index; }
    DisplaySource source() const { return m_source; }
    ReviewOperation operation() const { return m_operation; }
    // The voucher on display; nothing on the empty form.
    const std::optional<VoucherListing>& shownVoucher() const { return m_listing; }
    bool hasQuantityColumns() const { return m_quantityColumns; }

    // The texts around the lines on printed page `page` of `pages` with rowsPerPage lines a page;
    // page 0 gives what the screen shows (no unit, the plain number, the voucher's totals).
    VoucherPageTexts pageTexts(int page = 0, int pages = 0, int rowsPerPage = 0) const;
    // The text of a cell of TEXT, FORMHEAD or FORMFOOT as it is drawn now (on the page being
    // printed while printing).
    std::string displayedText(int row, int col, std::string_view area) const;

    bool isCommandEnabled(int id) const override;
    bool runCommand(int id) override;

    // ---- the form view's contract ----
    void InitFormLayout() override;
    void DrawHeadings(QPainter& dc) override;
    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override;
    // The rules of the table; in the quantity layout the two header rows are one, except under
    // 方向, which stands "方" over "向".
    void DrawGrid(QPainter& dc) override;
    CellInfo GetCellInfo(int row, int col, std::string_view area, bool entering) override;
    void SetCellValue(int row, int col, std::string_view area, const std::string& text) override;
    bool CanEditCell(int row, int col, std::string_view area) override;
    bool IsRowAppendAllowed() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Loads the voucher at the selection index and lays the view out for it; the empty form when
    // there is none (or it is gone).
    void showCurrent();
    // Reads a voucher of the selection; nothing when it no longer exists.
    std::optional<VoucherListing> loadKey(const VoucherKey& key);
    // Four or six columns, each layout with its stored settings.
    void applyLayout(bool quantity, bool force = false);
    // The printed page being drawn: its number, the page count and the lines a page (0 on screen).
    void drawingPage(int& page, int& pages, int& rowsPerPage) const;
    void tellError(const DatabaseError& error);
    bool reviewEnabled() const;
    bool reselectEnabled() const;

    CKszwEnv& m_env;
    std::vector<VoucherKey> m_keys;
    int m_index = 0;
    DisplaySource m_source = DisplaySource::Query;
    ReviewOperation m_operation = ReviewOperation::Review;
    std::optional<VoucherListing> m_listing;
    std::string m_shownFingerprint;  // the shown voucher as it was read
    std::vector<bool> m_handled;     // per selected voucher: F3 was pressed on it
    bool m_quantityColumns = false;
    std::function<void(CKszwpz1&)> m_reselect;
};

} // namespace kszw
