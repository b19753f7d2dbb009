#include "common/csv.h"

#include "common/text.h"

namespace kszw {

CsvReadResult readCsv(std::string_view text)
{
    CsvReadResult result;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    int line = 1;
    size_t i = 0;
    while (i < text.size()) {
        // A blank line is no record.
        if (text[i] == '\n' || text[i] == '\r') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            ++i;
            ++line;
            continue;
        }
        CsvRecord record;
        record.line = line;
        std::string field;
        bool recordDone = false;
        while (!recordDone) {
            field.clear();
            if (i < text.size() && text[i] == '"') {
                ++i;
                bool closed = false;
                while (i < text.size()) {
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (text[i] == '\n')
                        ++line;
                    field += text[i++];
                }
                if (!closed) {
                    result.error = "引号未闭合";
                    result.errorLine = record.line;
                    return result;
                }
                if (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r') {
                    result.error = "引号后有多余的字符";
                    result.errorLine = line;
                    return result;
                }
            } else {
                while (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r')
                    field += text[i++];
            }
            record.fields.push_back(field);
            if (i < text.size() && text[i] == ',') {
                ++i;
                continue;
            }
            recordDone = true;
            if (i < text.size() && text[i] == '\r')
                ++i;
            if (i < text.size() && text[i] == '\n')
                ++i;
            ++line;
        }
        result.records.push_back(std::move(record));
    }
    return result;
}

CsvTable readCsvTable(std::string_view text, const std::vector<std::string>& columns)
{
    CsvTable table;
    CsvReadResult csv = readCsv(text);
    if (!csv.error.empty()) {
        table.errorLine = csv.errorLine;
        table.error = "CSV 格式错误：" + csv.error;
        return table;
    }
    if (csv.records.empty()) {
        table.error = "文件为空，没有表头行！";
        return table;
    }
    std::vector<std::string> header;
    for (const std::string& field : csv.records.front().fields)
        header.push_back(toLowerAscii(trimWhitespace(field)));
    if (header != columns) {
        std::string expected;
        for (const std::string& column : columns)
            expected += (expected.empty() ? "" : ",") + column;
        table.errorLine = csv.records.front().line;
        table.error = "表头应为：" + expected;
        return table;
    }
    table.records.assign(csv.records.begin() + 1, csv.records.end());
    return table;
}

std::string csvField(std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(field);
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string csvRecord(const std::vector<std::string>& fields)
{
    std::string record;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            record += ',';
        record += csvField(fields[i]);
    }
    return record;
}

} // namespace kszw
