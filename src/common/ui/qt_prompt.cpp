#include "common/ui/qt_prompt.h"

#include "common/ui/qt_text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace kszw {

namespace {

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Stop: return QMessageBox::Critical;
    case Icon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton boxButton(Answer answer)
{
    switch (answer) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
    case Answer::Cancel: return QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

void translateButtons(QMessageBox& box)
{
    const std::pair<QMessageBox::StandardButton, const char*> names[] = {
        {QMessageBox::Ok, "确定"}, {QMessageBox::Yes, "是(&Y)"}, {QMessageBox::No, "否(&N)"},
        {QMessageBox::Cancel, "取消"}};
    for (const auto& [button, name] : names)
        if (QAbstractButton* b = box.button(button))
            b->setText(QString::fromUtf8(name));
}

QWidget* parentOr(QWidget* parent)
{
    return parent ? parent : QApplication::activeWindow();
}

} // namespace

void QtPrompt::tell(std::string_view text, Icon icon, std::string_view caption)
{
    QMessageBox box(boxIcon(icon), displayText(caption), displayText(text), QMessageBox::Ok, parentOr(m_parent));
    translateButtons(box);
    box.exec();
}

Answer QtPrompt::ask(std::string_view text, Buttons buttons, Answer defaultButton, Icon icon,
                     std::string_view caption)
{
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    if (buttons == Buttons::YesNo)
        set = QMessageBox::Yes | QMessageBox::No;
    else if (buttons == Buttons::YesNoCancel)
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    QMessageBox box(boxIcon(icon), displayText(caption), displayText(text), set, parentOr(m_parent));
    box.setDefaultButton(boxButton(defaultButton));
    if (buttons != Buttons::Ok)
        box.setEscapeButton(buttons == Buttons::YesNoCancel ? QMessageBox::Cancel : QMessageBox::No);
    translateButtons(box);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return Answer::Ok;
    }
}

} // namespace kszw
