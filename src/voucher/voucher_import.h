// Importing vouchers from CSV text, through the same checks of the head and the same store as the
// entry view. One row per line:
//
//   date,number,attachments,summary,subject,debit,credit,quantity
//
// Consecutive rows with the same date and number form one voucher, in line order; an empty number
// lets the generator number it. Each cell takes what its cell in the entry view takes, and a line
// that the store would silently leave out (an unknown subject, one with children, one reserved for
// another program, a line without an amount) is refused. The whole file is one transaction: any
// refused voucher leaves the year file as it was, and every refusal is named with its CSV line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

class CKszwEnv;
struct Clock;

struct VoucherImportRefusal {
    int line = 0;
    std::string message;
    // "第 N 行：message"
    std::string text() const;
};

struct VoucherImportResult {
    bool ok = false;
    int vouchers = 0; // stored when ok
    int lines = 0;
    std::vector<VoucherImportRefusal> refusals;
};

VoucherImportResult importVouchers(CKszwEnv& env, const Clock& clock, std::string_view csvText);

} // namespace kszw
