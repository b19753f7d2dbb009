// The prompt of the program's windows: message boxes with the right icon, buttons, default button
// and caption; "\r", "\r\n" and "\v" in a text are shown as line breaks.
#pragma once

#include "common/prompt.h"
#include "common/ui/qt_text.h"

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

} // namespace kszw
