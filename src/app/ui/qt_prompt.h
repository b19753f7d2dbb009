// The prompt of the program's windows: message boxes with the right icon, buttons, default button
// and caption; "\r", "\r\n" and "\v" in a text are shown as line breaks.
#pragma once

#include "common/prompt.h"

#include <QString>

class QWidget;

namespace kszw {

class QtPrompt : public Prompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void tell(std::string_view text, Icon icon, std::string_view caption) override;
    Answer ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
               std::string_view caption) override;

private:
    QWidget* m_parent;
};

// UTF-8 text of the core as a QString.
QString qtText(std::string_view text);

// The text as a message box shows it: "\r\n", "\r" and "\v" become line breaks.
QString displayText(std::string_view text);

} // namespace kszw
