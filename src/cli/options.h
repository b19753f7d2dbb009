// Reading the words of a kszw-cli command: positional words and --name value options.
#pragma once

#include "cli/commands.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kszw::cli {

struct ParsedArguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // "--year" → "2026"
    std::set<std::string> flags;                // "--yes"
    bool ok = true;
    std::string error;

    std::optional<std::string> option(const std::string& name) const;
    bool flag(const std::string& name) const { return flags.count(name) > 0; }
};

// Splits the words; valueOptions take the next word as their value, flagOptions stand alone.
// Any other word starting with "--" is an error.
ParsedArguments parseArguments(const Arguments& args, const std::set<std::string>& valueOptions,
                                const std::set<std::string>& flagOptions = {});

// Prints "kszw-cli: <error>" and the usage line; returns the bad-usage status 2.
int badUsage(const std::string& error, const char* usage);

} // namespace kszw::cli
