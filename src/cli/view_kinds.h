// The views kszw-cli view knows: each prints the rows its GUI view shows (head texts first), writes
// them to an Excel workbook, or writes the view's printed pages to a PDF file.
#pragma once

#include "cli/options.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kszw {
class CKszwEnv;
struct Prompt;
} // namespace kszw

namespace kszw::cli {

struct ViewOutput {
    std::vector<std::string> heads;
    std::vector<std::vector<std::string>> rows;
    // For a spreadsheet (xlsx): how many of the first rows are column headers, and how many of
    // the last heads are the view's foot lines, which go under the table there.
    int headerRows = 1;
    int footHeads = 0;
    // Written, but with cells that could not be worked out (told on stderr): the command fails.
    bool failed = false;
};

struct ViewKindEntry {
    const char* name;
    const char* right; // the right of the menu command that opens the view
    std::function<std::optional<ViewOutput>(CKszwEnv&, const ParsedArguments&, Prompt&)> build;
    // Writes the printed pages to a PDF file; false when refused or not written (told).
    std::function<bool(CKszwEnv&, const ParsedArguments&, Prompt&, const std::string& path)> pdf;
};

// ledger, balance, turnover.
const std::vector<ViewKindEntry>& ledgerViewKinds();
// report (the financial statements).
const std::vector<ViewKindEntry>& reportViewKinds();

} // namespace kszw::cli
