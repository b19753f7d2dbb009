// kszw-cli view: prints the rows a view of the program shows, head texts first as "# " lines,
// cells separated by TAB (tsv) or as CSV records (csv).
#include "chart/chart_listing.h"
#include "cli/cli_login.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "common/clock.h"
#include "common/csv.h"
#include "common/text.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

namespace kszw::cli {

namespace {

constexpr const char* kViewUsage =
    "view FILE VIEW [--operator OP] [--password P] [--subject CODE] [--format tsv|csv] [--out PATH]";

struct ViewOutput {
    std::vector<std::string> heads;
    std::vector<std::vector<std::string>> rows;
};

struct ViewKindEntry {
    const char* name;
    const char* right; // the right of the menu command that opens the view
    std::function<std::optional<ViewOutput>(CKszwEnv&, const ParsedArguments&, Prompt&)> build;
};

std::optional<ViewOutput> chartView(CKszwEnv& env, const ParsedArguments& parsed, Prompt& prompt)
{
    const std::string root = trimWhitespace(parsed.option("--subject").value_or(""));
    if (env.db().queryLong("SELECT count(*) FROM SUBT") == 0) {
        prompt.warn("本年度尚未设置科目！");
        return std::nullopt;
    }
    if (!root.empty() && !hasSubSubjects(env.db(), root)) {
        prompt.warn("该科目不存在或没有子科目，请重输！");
        return std::nullopt;
    }
    ViewOutput output;
    const CivilDate today = SystemClock().today();
    output.heads = {trim(kChartListingTitle), "单位：" + env.unitName(),
                    format("打印时间：%d 年 %d 月 %d 日", today.year, today.month, today.day)};
    output.rows = buildChartListing(env.db(), root);
    return output;
}

const std::vector<ViewKindEntry>& viewKinds()
{
    static const std::vector<ViewKindEntry> kinds = {
        {"chart", "0402", chartView},
    };
    return kinds;
}

std::string render(const ViewOutput& output, bool csv)
{
    std::string text;
    for (const std::string& head : output.heads)
        text += (csv ? csvField("# " + head) : "# " + head) + "\n";
    for (const std::vector<std::string>& row : output.rows) {
        if (csv) {
            text += csvRecord(row);
        } else {
            for (size_t i = 0; i < row.size(); ++i)
                text += (i > 0 ? "\t" : "") + row[i];
        }
        text += "\n";
    }
    return text;
}

} // namespace

int runView(const Arguments& args)
{
    ParsedArguments parsed = parseArguments(args, {"--operator", "--password", "--subject", "--format", "--out"});
    if (!parsed.ok)
        return badUsage(parsed.error, kViewUsage);
    if (parsed.positional.size() != 2)
        return badUsage("a year data file and a view expected", kViewUsage);
    const ViewKindEntry* kind = nullptr;
    for (const ViewKindEntry& candidate : viewKinds())
        if (parsed.positional[1] == candidate.name)
            kind = &candidate;
    if (!kind)
        return badUsage("unknown view " + parsed.positional[1], kViewUsage);
    const std::string formatName = parsed.option("--format").value_or("tsv");
    if (formatName != "tsv" && formatName != "csv")
        return badUsage("--format takes tsv or csv for this view", kViewUsage);

    CliPrompt prompt;
    std::unique_ptr<CKszwEnv> env = loginForCommand(parsed.positional[0], parsed.option("--operator").value_or(""),
                                                    parsed.option("--password").value_or(""), kind->right, prompt);
    if (!env)
        return 1;
    std::optional<ViewOutput> output = kind->build(*env, parsed, prompt);
    if (!output)
        return 1;
    const std::string text = render(*output, formatName == "csv");
    if (std::optional<std::string> out = parsed.option("--out")) {
        std::ofstream file(*out, std::ios::binary);
        file << (formatName == "csv" ? "\xEF\xBB\xBF" : "") << text;
        if (!file) {
            std::fprintf(stderr, "无法写入文件“%s”！\n", out->c_str());
            return 1;
        }
        return 0;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace kszw::cli
