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
//
// The preview runs the very same import, numbering and storing included, inside that transaction
// and always rolls it back: it shows every row with the voucher number it would be stored under
// and every refusal, and writes nothing.
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

// One record of the file and where it lands.
struct VoucherImportRow {
    int line = 0;    // the CSV line the record starts on
    int voucher = 0; // the voucher of the file it belongs to, from 1; 0 for a record with a wrong column count
    std::string date;
    // The number as stored: normalised ("1" → "0001"), or generated for an empty one; as the file
    // has it (upper-cased) when the voucher is refused before it is numbered.
    std::string number;
    std::string summary, subject;
    // The amounts as stored (to the cent) and the quantity; as the file has them when they are
    // not numbers; empty when zero.
    std::string debit, credit, quantity;
    std::vector<std::string> refusals; // the messages of this record, empty when it is fine
};

struct VoucherImportResult {
    bool ok = false;
    int vouchers = 0; // stored when ok (for a preview: that would be stored)
    int lines = 0;
    std::vector<VoucherImportRefusal> refusals;
    // Every record of the file, in file order. A file refused as a whole (no header, a quote left
    // open) has one row: the line of the fault with its message.
    std::vector<VoucherImportRow> rows;

    // How many vouchers the file holds, refused ones included.
    int voucherCount() const;
    // How many rows carry a refusal.
    int refusedRowCount() const;
};

// Stores the vouchers of the file, all or nothing.
VoucherImportResult importVouchers(CKszwEnv& env, const Clock& clock, std::string_view csvText);

// Runs every check and the numbering of importVouchers on the file and writes nothing.
VoucherImportResult previewVoucherImport(CKszwEnv& env, const Clock& clock, std::string_view csvText);

} // namespace kszw
