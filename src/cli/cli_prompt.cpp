#include "cli/cli_prompt.h"

#include <cstdio>
#include <string>

namespace kszw::cli {

std::string terminalText(std::string_view text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            result += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (text[i] == '\v') {
            result += '\n';
        } else {
            result += text[i];
        }
    }
    return result;
}

void CliPrompt::tell(std::string_view text, Icon, std::string_view)
{
    std::fprintf(stderr, "%s\n", terminalText(text).c_str());
}

Answer CliPrompt::ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon, std::string_view)
{
    Answer answer = m_answer.value_or(defaultButton);
    if (buttons == Buttons::Ok)
        answer = Answer::Ok;
    const char* word = answer == Answer::Yes ? "是" : answer == Answer::No ? "否" : answer == Answer::Cancel ? "取消" : "确定";
    std::fprintf(stderr, "%s %s\n", terminalText(text).c_str(), word);
    return answer;
}

} // namespace kszw::cli
