// kszw-cli push and pull: a year file to a server and back, each all or nothing.
#include "accountset/year_transfer.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"

#include <cstdio>

namespace kszw::cli {

namespace {

constexpr const char* kPushUsage = "push FILE LOCATION";
constexpr const char* kPullUsage = "pull LOCATION FILE";

int report(const TransferResult& result)
{
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", terminalText(result.message).c_str());
        return 1;
    }
    std::printf("%s\n%d tables, %lld rows\n", result.target.c_str(), result.tables,
                static_cast<long long>(result.rows));
    return 0;
}

} // namespace

int runPush(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {});
    if (!parsed.ok)
        return badUsage(parsed.error, kPushUsage);
    if (parsed.positional.size() != 2)
        return badUsage("a year data file and a server location expected", kPushUsage);
    return report(pushYear(parsed.positional[0], parsed.positional[1]));
}

int runPull(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {});
    if (!parsed.ok)
        return badUsage(parsed.error, kPullUsage);
    if (parsed.positional.size() != 2)
        return badUsage("a server location and a new year data file expected", kPullUsage);
    return report(pullYear(parsed.positional[0], parsed.positional[1]));
}

} // namespace kszw::cli
