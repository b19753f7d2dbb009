// Messages and questions that core operations show mid-way. The GUI answers them with message
// boxes, the command line from its flags, tests from a script.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace kszw {

enum class Icon { Exclamation, Question, Stop, Information };
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

// Caption of the program's message boxes.
inline constexpr std::string_view kMessageCaption = "岚屿穗软件";

struct Prompt {
    virtual ~Prompt() = default;
    virtual void tell(std::string_view text, Icon icon, std::string_view caption) = 0;
    virtual Answer ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
                       std::string_view caption) = 0;

    // The usual user error: exclamation icon, the program's caption.
    void warn(std::string_view text) { tell(text, Icon::Exclamation, kMessageCaption); }
};

// A prompt driven by a script: records every text shown or asked and answers questions from a
// queue (the default button once the queue is empty).
class ScriptedPrompt : public Prompt {
public:
    struct Entry {
        std::string text;
        Icon icon;
        std::string caption;
        bool question;
    };

    void tell(std::string_view text, Icon icon, std::string_view caption) override;
    Answer ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
               std::string_view caption) override;

    void queueAnswer(Answer answer) { m_answers.push_back(answer); }
    const std::vector<Entry>& entries() const { return m_entries; }
    // Texts of every message and question, in order.
    std::vector<std::string> texts() const;
    // The last text shown or asked, empty when none.
    std::string last() const;
    void clear() { m_entries.clear(); m_answers.clear(); }

private:
    std::vector<Entry> m_entries;
    std::deque<Answer> m_answers;
};

// A prompt that shows nothing and takes the default answer: for work done "without messages".
class SilentPrompt : public Prompt {
public:
    void tell(std::string_view, Icon, std::string_view) override {}
    Answer ask(std::string_view, Buttons, Answer defaultButton, Icon, std::string_view) override
    {
        return defaultButton;
    }
};

} // namespace kszw
