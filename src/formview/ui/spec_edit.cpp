#include "formview/ui/spec_edit.h"

#include "formview/input_spec.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>

namespace kszw {

CSpecEdit::CSpecEdit(QWidget* parent) : QLineEdit(parent)
{
    setDragEnabled(false);
    setAcceptDrops(false);
}

void CSpecEdit::SetInputSpec(const QString& spec, int lengthLimit, int extraNumber)
{
    m_spec = spec.trimmed() == QStringLiteral("MDBSTRING") ? std::string("STRING NOT |[]'") : spec.toStdString();
    m_lengthLimit = lengthLimit;
    m_extraNumber = extraNumber;
}

bool CSpecEdit::accepts(const QString& character) const
{
    // A selection is replaced by the keystroke: the check sees the text without it.
    QString text = this->text();
    int caret = cursorPosition();
    if (hasSelectedText()) {
        caret = selectionStart();
        text.remove(caret, selectedText().size());
    }
    // The caret counts characters, not UTF-16 units.
    const int characterCaret = static_cast<int>(text.left(caret).toUcs4().size());
    return CheckInput(character.toStdString(), text.toStdString(), characterCaret, m_spec, m_lengthLimit,
                      m_extraNumber);
}

void CSpecEdit::typeText(const QString& text)
{
    const QList<uint> characters = text.toUcs4();
    for (uint code : characters) {
        const QString typed = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        if (typed.at(0).isNonCharacter() || code < 0x20)
            continue;
        // A NUMBER field takes the full-width stop as the decimal point, as the form's cells do.
        const QString character = QString::fromStdString(TypedForSpec(typed.toStdString(), m_spec));
        if (accepts(character))
            insert(character);
    }
}

void CSpecEdit::pasteChecked(const QString& text)
{
    if (isReadOnly())
        return;
    QString line = text;
    line.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QString());
    typeText(line);
}

void CSpecEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteChecked(QApplication::clipboard()->text());
        event->accept();
        return;
    }
    const QString text = event->text();
    const bool control = text.isEmpty() || text.at(0).category() == QChar::Other_Control
                         || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (control || isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    typeText(text);
    event->accept();
}

void CSpecEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // Pre-edit text comes and goes; the committed text is checked character by character.
    QInputMethodEvent preedit(event->preeditString(), event->attributes());
    QLineEdit::inputMethodEvent(&preedit);
    typeText(commit);
    event->accept();
}

void CSpecEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QStringLiteral("edit-paste")) {
            action->disconnect();
            connect(action, &QAction::triggered, this, [this] { pasteChecked(QApplication::clipboard()->text()); });
        }
    }
    menu->exec(event->globalPos());
    delete menu;
}

void CSpecEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // The middle button pastes the X11 selection: it is checked like typing.
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        pasteChecked(QApplication::clipboard()->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

} // namespace kszw
