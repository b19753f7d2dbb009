// CSubjectPrintScopeDlg: the scope of the chart print (会计科目打印) — all subjects, or the
// subtree below one subject whose code is typed beside "指定科目". A code without sub-subjects is
// refused and the focus goes back to it.
#pragma once

#include <QDialog>
#include <QString>

#include <string>

class QPushButton;
class QRadioButton;

namespace kszw {

class CSpecEdit;
class Database;
struct Prompt;

class CSubjectPrintScopeDlg : public QDialog {
    Q_OBJECT
public:
    // startCode: "" offers 全部科目; a code offers 指定科目 with that code.
    CSubjectPrintScopeDlg(Database& db, Prompt& prompt, const QString& startCode, QWidget* parent = nullptr);

    // The root of the listing chosen: "" for all subjects, else the subject's code.
    const std::string& chosenRoot() const { return m_root; }

    QRadioButton* allButton() const { return m_all; }
    QRadioButton* oneButton() const { return m_one; }
    CSpecEdit* codeField() const { return m_code; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // &S.确认: with 指定科目 the code must name a subject with sub-subjects.
    void confirm();

private:
    void choiceChanged();

    Database& m_db;
    Prompt& m_prompt;
    std::string m_root;
    QRadioButton* m_all = nullptr;
    QRadioButton* m_one = nullptr;
    CSpecEdit* m_code = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace kszw
