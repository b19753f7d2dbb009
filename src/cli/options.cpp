#include "cli/options.h"

#include <cstdio>

namespace kszw::cli {

std::optional<std::string> ParsedArguments::option(const std::string& name) const
{
    auto found = options.find(name);
    if (found == options.end())
        return std::nullopt;
    return found->second;
}

ParsedArguments parseArguments(const Arguments& args, const std::set<std::string>& valueOptions,
                                const std::set<std::string>& flagOptions)
{
    ParsedArguments parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
            if (valueOptions.count(word)) {
                if (i + 1 >= args.size()) {
                    parsed.ok = false;
                    parsed.error = word + " needs a value";
                    return parsed;
                }
                parsed.options[word] = args[++i];
            } else if (flagOptions.count(word)) {
                parsed.flags.insert(word);
            } else {
                parsed.ok = false;
                parsed.error = "unknown option " + word;
                return parsed;
            }
        } else {
            parsed.positional.push_back(word);
        }
    }
    return parsed;
}

int badUsage(const std::string& error, const char* usage)
{
    std::fprintf(stderr, "kszw-cli: %s\nusage: kszw-cli %s\n", error.c_str(), usage);
    return 2;
}

} // namespace kszw::cli
