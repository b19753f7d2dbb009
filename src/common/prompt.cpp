#include "common/prompt.h"

namespace kszw {

void ScriptedPrompt::tell(std::string_view text, Icon icon, std::string_view caption)
{
    m_entries.push_back({std::string(text), icon, std::string(caption), false});
}

Answer ScriptedPrompt::ask(std::string_view text, Buttons, Answer defaultButton, Icon icon,
                           std::string_view caption)
{
    m_entries.push_back({std::string(text), icon, std::string(caption), true});
    if (m_answers.empty())
        return defaultButton;
    Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::vector<std::string> ScriptedPrompt::texts() const
{
    std::vector<std::string> result;
    result.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        result.push_back(entry.text);
    return result;
}

std::string ScriptedPrompt::last() const
{
    return m_entries.empty() ? std::string() : m_entries.back().text;
}

} // namespace kszw
