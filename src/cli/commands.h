// The commands of kszw-cli. Each takes the words after its name and returns the exit status:
// 0 success, 1 refusal (the message is on stderr), 2 bad usage.
#pragma once

#include <string>
#include <vector>

namespace kszw::cli {

using Arguments = std::vector<std::string>;

int runNewSet(const Arguments& args);
int runInfo(const Arguments& args);
int runCalc(const Arguments& args);
int runOperator(const Arguments& args);
int runNewYear(const Arguments& args);
int runSetInfo(const Arguments& args);
int runPush(const Arguments& args);
int runPull(const Arguments& args);
int runImport(const Arguments& args);
int runView(const Arguments& args);
int runDemo(const Arguments& args);
int runReview(const Arguments& args);
int runCloseMonth(const Arguments& args);
int runCarryForward(const Arguments& args);
int runCopyFrom(const Arguments& args);
int runBackup(const Arguments& args);
int runRestore(const Arguments& args);

} // namespace kszw::cli
