// Cell input specifications: the keystroke check that every form-view cell and every spec edit
// field runs before a typed character is inserted. A specification is a keyword ("NUMBER",
// "CLASSNOSTRING", "STRING", or "MDBSTRING" for "STRING NOT |[]'") with an argument part, plus a
// length limit and an extra number whose meaning depends on the keyword.
//
// Text is UTF-8. A non-ASCII character counts as two bytes against a length limit (as it takes
// two bytes in the year data file's GBK widths), matches a literal or forbidden character set only
// when the set contains it, matches "NOT", and matches no named class. The caret is a character
// index.
#pragma once

#include <string>
#include <string_view>

namespace kszw {

// True when typing `typed` at character index caret of text is acceptable under the spec.
// typed is usually one character; a pasted value is checked as if typed into an empty cell.
bool CheckInput(std::string_view typed, std::string_view text, int caret, std::string_view spec, int lengthLimit,
                int extraNumber);

// The text a keystroke inserts into a cell or field with this spec: a NUMBER cell takes 。 as ".".
// Callers convert the keystroke with it, then check and insert the result.
std::string TypedForSpec(std::string_view typed, std::string_view spec);

// True when the text is a (possibly incomplete) decimal number with at most maxInt integer digits
// and maxDec decimals (each limit ≤ 0 means none); leading and trailing zeros do not count.
bool IsNumberText(std::string_view candidate, int maxInt, int maxDec);

// True when the text is digits separated by single separators, neither first nor last, with at
// most maxSep separators (negative: no limit).
bool IsClassNumber(std::string_view candidate, int maxSep, std::string_view separator);

// True when one character belongs to the class: "NOT", "UPPERCHAR", "LOWERCHAR", "SPACE", "DIGIT",
// "ASCII", "CHAR_DIGIT", "CHAR" (class text beginning with the word), otherwise a literal set.
bool MatchesClass(std::string_view classText, std::string_view character);

// True when every character of the text belongs to the class (true for the empty text).
bool AllMatchClass(std::string_view classText, std::string_view text);

} // namespace kszw
