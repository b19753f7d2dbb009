#include "cli/cli_login.h"

#include "common/prompt.h"
#include "session/rights.h"
#include "session/user_settings.h"

namespace kszw::cli {

std::string missingRightMessage(std::string_view operatorCode, std::string_view rightCode)
{
    return "操作员 " + std::string(operatorCode) + " 没有“" + std::string(rightName(rightCode).value_or(rightCode))
           + "”的权限！";
}

std::unique_ptr<CKszwEnv> loginForCommand(const std::string& file, const std::string& operatorCode,
                                          const std::string& password, std::string_view rightCode,
                                          Prompt& prompt)
{
    auto env = std::make_unique<CKszwEnv>();
    if (operatorCode.empty()) {
        // Without an operator the login's default operator is taken.
        if (env->openFile(file, "", prompt) != kLoginOk)
            return nullptr;
        if (!env->passwordMatches(password)) {
            prompt.warn(kWrongPassword);
            return nullptr;
        }
    } else if (!confirmLogin(*env, file, operatorCode, password, prompt)) {
        return nullptr;
    }
    // The command line keeps no settings of its own: the user's last login is left alone.
    MemoryUserSettings settings;
    env->completeLogin(settings);
    if (!rightCode.empty() && !env->hasPermission(rightCode)) {
        prompt.warn(missingRightMessage(env->operatorCode(), rightCode));
        return nullptr;
    }
    return env;
}

} // namespace kszw::cli
