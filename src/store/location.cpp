#include "store/location.h"

#include "common/text.h"
#include "store/year_file_name.h"

#include <charconv>
#include <filesystem>

namespace kszw {

namespace {

constexpr std::string_view kShortScheme = "postgres://";

std::string_view trimView(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::optional<int> readNumber(std::string_view text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool isDatabaseName(std::string_view name)
{
    if (name.empty() || name.size() > 63)
        return false;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'
                           || c == '-';
        if (!plain)
            return false;
    }
    return true;
}

bool isHostName(std::string_view host)
{
    if (host.empty() || host.size() > 253)
        return false;
    for (char c : host) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
                           || c == '-' || c == '_';
        if (!plain)
            return false;
    }
    return true;
}

} // namespace

bool isServerLocation(std::string_view text)
{
    const std::string_view trimmed = trimView(text);
    return startsWithIgnoreCase(trimmed, kServerScheme) || startsWithIgnoreCase(trimmed, kShortScheme);
}

std::optional<ServerLocation> parseServerLocation(std::string_view text)
{
    std::string_view rest = trimView(text);
    if (startsWithIgnoreCase(rest, kServerScheme))
        rest.remove_prefix(kServerScheme.size());
    else if (startsWithIgnoreCase(rest, kShortScheme))
        rest.remove_prefix(kShortScheme.size());
    else
        return std::nullopt;

    ServerLocation location;
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    std::string_view authority = rest.substr(0, slash);
    rest.remove_prefix(slash + 1);
    // A user name or password in the location would end up in settings and recent lists.
    if (authority.find('@') != std::string_view::npos)
        return std::nullopt;
    const size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos) {
        const std::optional<int> port = readNumber(authority.substr(colon + 1));
        if (!port || *port < 1 || *port > 65535)
            return std::nullopt;
        location.port = *port;
        authority = authority.substr(0, colon);
    }
    if (!isHostName(authority))
        return std::nullopt;
    location.host = std::string(authority);

    const size_t question = rest.find('?');
    const std::string_view database = rest.substr(0, question);
    if (!isDatabaseName(database))
        return std::nullopt;
    location.database = std::string(database);
    if (question != std::string_view::npos) {
        std::string_view query = rest.substr(question + 1);
        while (!query.empty()) {
            const size_t amp = query.find('&');
            const std::string_view pair = query.substr(0, amp);
            query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
            if (pair.empty())
                continue;
            const size_t equals = pair.find('=');
            if (equals == std::string_view::npos || pair.substr(0, equals) != "year")
                return std::nullopt;
            const std::optional<int> year = readNumber(pair.substr(equals + 1));
            if (!year || *year < 1990 || *year > 9999)
                return std::nullopt;
            location.year = *year;
        }
    }
    return location;
}

std::string serverLocationText(const ServerLocation& location)
{
    std::string text = std::string(kServerScheme) + location.host + ":" + std::to_string(location.port) + "/"
                       + location.database;
    if (location.year != 0)
        text += "?year=" + std::to_string(location.year);
    return text;
}

std::string yearSchemaName(int year)
{
    return "y" + std::to_string(year);
}

std::string placeOfYear(const std::string& place, int year)
{
    if (std::optional<ServerLocation> location = parseServerLocation(place)) {
        location->year = year;
        return serverLocationText(*location);
    }
    return (std::filesystem::path(place).parent_path() / yearFileName(year)).string();
}

int yearOfPlace(const std::string& place)
{
    if (isServerLocation(place)) {
        const std::optional<ServerLocation> location = parseServerLocation(place);
        return location ? location->year : 0;
    }
    const std::string stem = std::filesystem::path(place).stem().string();
    const std::optional<int> year = readNumber(stem);
    return year && stem.size() == 4 ? *year : 0;
}

std::string displayNameOfPlace(const std::string& place)
{
    const std::optional<ServerLocation> location = parseServerLocation(place);
    if (!location)
        return place;
    std::string text = location->host + ":" + std::to_string(location->port) + "/" + location->database;
    if (location->year != 0)
        text += " " + std::to_string(location->year);
    return text;
}

} // namespace kszw
