#include "store/server_sql.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>
#include <vector>

namespace kszw {

namespace {

bool isWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool wordIs(std::string_view word, std::string_view expected)
{
    if (word.size() != expected.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (lower(word[i]) != lower(expected[i]))
            return false;
    return true;
}

// The statement's first two words decide whether declared types are rewritten.
bool declaresColumns(std::string_view sql)
{
    size_t i = 0;
    auto nextWord = [&]() {
        while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
            ++i;
        const size_t start = i;
        while (i < sql.size() && isWordChar(sql[i]))
            ++i;
        return sql.substr(start, i - start);
    };
    const std::string_view first = nextWord();
    const std::string_view second = nextWord();
    return (wordIs(first, "CREATE") || wordIs(first, "ALTER")) && wordIs(second, "TABLE");
}

// After a CHAR or VARCHAR word: skips "(n)" with its spaces; returns the position after it, or
// the same position when there is none.
size_t skipLength(std::string_view sql, size_t at)
{
    size_t i = at;
    while (i < sql.size() && sql[i] == ' ')
        ++i;
    if (i >= sql.size() || sql[i] != '(')
        return at;
    const size_t close = sql.find(')', i);
    return close == std::string_view::npos ? at : close + 1;
}

// The file engine sorts NULL before every value; the server after. Every ORDER BY term gets the
// file engine's order spelled out: NULLS FIRST when ascending, NULLS LAST when descending.
std::string withFileNullOrder(const std::string& sql)
{
    std::string out;
    out.reserve(sql.size() + 32);
    struct Clause {
        int depth;
        size_t termStart; // position in out where the current term begins
    };
    std::vector<Clause> open;
    int depth = 0;
    auto closeTerm = [&](Clause& clause) {
        // The term's text without trailing blanks decides.
        size_t end = out.size();
        while (end > clause.termStart && std::isspace(static_cast<unsigned char>(out[end - 1])))
            --end;
        std::string term = out.substr(clause.termStart, end - clause.termStart);
        std::string upper;
        for (char c : term)
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (term.empty() || upper.find("NULLS") != std::string::npos)
            return;
        const bool descending = upper.size() >= 4 && upper.compare(upper.size() - 4, 4, "DESC") == 0
                                && (upper.size() == 4 || !isWordChar(upper[upper.size() - 5]));
        out.insert(end, descending ? " NULLS LAST" : " NULLS FIRST");
    };
    size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            size_t end = i + 1;
            while (end < sql.size()) {
                if (sql[end] == c) {
                    if (end + 1 < sql.size() && sql[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            out.append(sql, i, end + 1 - i);
            i = end + 1;
            continue;
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (!open.empty() && open.back().depth == depth) {
                closeTerm(open.back());
                open.pop_back();
            }
            --depth;
        } else if (c == ',' && !open.empty() && open.back().depth == depth) {
            closeTerm(open.back());
            out += c;
            ++i;
            open.back().termStart = out.size();
            continue;
        } else if (c == ';' && !open.empty()) {
            closeTerm(open.back());
            open.pop_back();
        } else if (isWordChar(c) && (i == 0 || !isWordChar(sql[i - 1]))) {
            size_t end = i;
            while (end < sql.size() && isWordChar(sql[end]))
                ++end;
            const std::string_view word = std::string_view(sql).substr(i, end - i);
            if (!open.empty() && open.back().depth == depth
                && (wordIs(word, "LIMIT") || wordIs(word, "OFFSET") || wordIs(word, "FETCH") || wordIs(word, "FOR")
                    || wordIs(word, "UNION") || wordIs(word, "EXCEPT") || wordIs(word, "INTERSECT"))) {
                closeTerm(open.back());
                open.pop_back();
            }
            out.append(word);
            i = end;
            if (wordIs(word, "BY")) {
                // "ORDER BY": the word before, skipping blanks.
                size_t end = out.size() - word.size();
                while (end > 0 && std::isspace(static_cast<unsigned char>(out[end - 1])))
                    --end;
                size_t start = end;
                while (start > 0 && isWordChar(out[start - 1]))
                    --start;
                if (wordIs(std::string_view(out).substr(start, end - start), "ORDER"))
                    open.push_back({depth, out.size()});
            }
            continue;
        }
        out += c;
        ++i;
    }
    while (!open.empty()) {
        closeTerm(open.back());
        open.pop_back();
    }
    return out;
}

} // namespace

std::string translateForServer(std::string_view sql, int* parameterCount)
{
    int highest = 0;
    const bool typed = declaresColumns(sql);
    std::string out;
    out.reserve(sql.size() + 16);
    int bareParameters = 0;
    size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'') {
            // A string: copied as it stands, '' included.
            size_t end = i + 1;
            while (end < sql.size()) {
                if (sql[end] == '\'') {
                    if (end + 1 < sql.size() && sql[end + 1] == '\'') {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            out.append(sql.substr(i, end + 1 - i));
            i = end + 1;
        } else if (c == '"') {
            const size_t end = sql.find('"', i + 1);
            const size_t stop = end == std::string_view::npos ? sql.size() : end;
            out += '"';
            for (size_t k = i + 1; k < stop; ++k)
                out += lower(sql[k]);
            out += '"';
            i = stop + 1;
        } else if (c == '?') {
            size_t end = i + 1;
            while (end < sql.size() && std::isdigit(static_cast<unsigned char>(sql[end])))
                ++end;
            out += '$';
            if (end == i + 1) {
                out += std::to_string(++bareParameters);
                highest = std::max(highest, bareParameters);
            } else {
                const std::string_view digits = sql.substr(i + 1, end - i - 1);
                out.append(digits);
                highest = std::max(highest, digits.size() > 6 ? 999999 : std::stoi(std::string(digits)));
            }
            i = end;
        } else if (isWordChar(c)) {
            size_t end = i;
            while (end < sql.size() && isWordChar(sql[end]))
                ++end;
            const std::string_view word = sql.substr(i, end - i);
            const bool startsWord = i == 0 || !isWordChar(sql[i - 1]);
            if (!startsWord) {
                out.append(word);
            } else if (wordIs(word, "LIKE")) {
                out += "ILIKE";
            } else if (typed && wordIs(word, "LONG")) {
                out += "BIGINT";
            } else if (typed && wordIs(word, "DOUBLE")) {
                out += "DOUBLE PRECISION";
            } else if (typed && (wordIs(word, "CHAR") || wordIs(word, "VARCHAR") || wordIs(word, "TEXT")
                                 || wordIs(word, "MEMO"))) {
                out += "TEXT COLLATE \"C\"";
                end = skipLength(sql, end);
            } else {
                out.append(word);
            }
            i = end;
        } else {
            out += c;
            ++i;
        }
    }
    if (parameterCount)
        *parameterCount = highest;
    return withFileNullOrder(out);
}

} // namespace kszw
