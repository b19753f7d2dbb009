// Finding the number a text starts with, as every reader of typed or stored numbers does: the
// SQL function val, the evaluator, the cell checks. Only the finding is here; each reader turns
// the digits into a value its own way.
#pragma once

#include <optional>
#include <string_view>

namespace kszw {

struct LeadingNumber {
    bool negative = false;
    // The unsigned part: digits with at most one point, then an exponent when digits follow it.
    std::string_view digits;
};

// The number at the start of text after any of the characters in blanks; nothing when no digit
// comes ("+.", "-", "abc").
std::optional<LeadingNumber> scanLeadingNumber(std::string_view text, std::string_view blanks);

} // namespace kszw
