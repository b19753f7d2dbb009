// The prompt of the command line: messages go to stderr, questions are answered by the
// --yes / --no flags (the default button when neither is given).
#pragma once

#include "common/prompt.h"

#include <optional>

namespace kszw::cli {

class CliPrompt : public Prompt {
public:
    explicit CliPrompt(std::optional<Answer> answer = std::nullopt) : m_answer(answer) {}
    void tell(std::string_view text, Icon icon, std::string_view caption) override;
    Answer ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
               std::string_view caption) override;

private:
    std::optional<Answer> m_answer;
};

// Text as a terminal shows it: "\r" and "\r\n" become line breaks.
std::string terminalText(std::string_view text);

} // namespace kszw::cli
