// Reading and writing CSV text (RFC 4180): fields separated by commas, a field in double quotes
// may hold commas, line breaks and doubled quotes. Import files are UTF-8, with or without a
// byte-order mark.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kszw {

struct CsvRecord {
    int line = 0;                    // the line the record starts on, from 1
    std::vector<std::string> fields;
};

struct CsvReadResult {
    std::vector<CsvRecord> records;
    std::string error; // a quoted field left open, or text after a closing quote; empty when fine
    int errorLine = 0;
};

// Splits the text into records; blank lines are skipped.
CsvReadResult readCsv(std::string_view text);

// An import file: a header row that names exactly these columns (case-blind), then the records.
// On success the records after the header; otherwise the line and the reason the file is refused.
struct CsvTable {
    std::vector<CsvRecord> records;
    int errorLine = 0;
    std::string error; // empty when the file was read
};
CsvTable readCsvTable(std::string_view text, const std::vector<std::string>& columns);

// One field as CSV writes it: quoted when it holds a comma, a quote or a line break.
std::string csvField(std::string_view field);
// A whole record, fields joined by commas, without the line end.
std::string csvRecord(const std::vector<std::string>& fields);

} // namespace kszw
