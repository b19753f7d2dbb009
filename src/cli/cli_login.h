// How every kszw-cli command that works on a year file as an operator starts: it logs in exactly
// like the login (file, operator, password) and checks that the operator holds the right the
// matching menu command needs.
#pragma once

#include "session/kszw_env.h"

#include <memory>
#include <string>
#include <string_view>

namespace kszw {
struct Prompt;
}

namespace kszw::cli {

// The refusal of an operator without the right: "操作员 OP 没有“<right name>”的权限！".
std::string missingRightMessage(std::string_view operatorCode, std::string_view rightCode);

// Logs in as the operator with the password (an empty code: the login's default operator) and
// completes the login; then checks the right (empty: none needed). Every refusal is told through the prompt; nullptr then.
std::unique_ptr<CKszwEnv> loginForCommand(const std::string& file, const std::string& operatorCode,
                                          const std::string& password, std::string_view rightCode,
                                          Prompt& prompt);

} // namespace kszw::cli
