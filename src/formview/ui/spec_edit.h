// CSpecEdit: a single-line edit field that lets a keystroke through only when the field's input
// specification accepts it. Typed characters, input-method text and pasted text are checked;
// control keys (Backspace, arrows …) always pass.
#pragma once

#include <QLineEdit>

#include <string>

namespace kszw {

class CSpecEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CSpecEdit(QWidget* parent = nullptr);

    // The field's input specification and its two numbers (the length limit and the extra number).
    // "MDBSTRING" is replaced here by what it stands for, "STRING NOT |[]'".
    void SetInputSpec(const QString& spec, int lengthLimit, int extraNumber);
    QString inputSpec() const { return QString::fromStdString(m_spec); }

    // Inserts text at the caret as if each character were typed; refused characters are dropped.
    void typeText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // True when the character may be inserted at the caret (replacing the selection).
    bool accepts(const QString& character) const;
    void pasteChecked(const QString& text);

    std::string m_spec;
    int m_lengthLimit = 0;
    int m_extraNumber = 0;
};

} // namespace kszw
