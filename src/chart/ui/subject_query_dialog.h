// CSubjectQueryDlg: looking subjects up level by level (科目查询). A typed code finds its line; a
// name condition keeps only the subjects whose name contains it; 进子目 and ← move down and up the
// tree. Opened by itself it is for browsing; opened as a lookup (the voucher entry's F2) the
// chosen subject's code comes back. The listing statements are the core's (chart/subjects.h).
#pragma once

#include "chart/subjects.h"

#include <QDialog>
#include <QString>

#include <optional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace kszw {

class CSpecEdit;
class Database;
struct Prompt;

class CSubjectQueryDlg : public QDialog {
    Q_OBJECT
public:
    // lookup: the dialog chooses a subject (选定, Enter or a double-click) instead of browsing.
    CSubjectQueryDlg(Database& db, Prompt& prompt, bool lookup, QWidget* parent = nullptr);

    // True when the year has subjects to look up; otherwise tells "本年度尚未设置科目(帐户)".
    static bool checkHasSubjects(Database& db, Prompt& prompt);
    // The browsing dialog of the menu (目录查询), when the year has subjects.
    static void browseSubjects(Database& db, Prompt& prompt, QWidget* parent = nullptr);
    // The lookup, opened on the level of startCode: the chosen code, or nothing when cancelled or
    // when the year has no subjects.
    static std::optional<QString> lookUpSubject(Database& db, Prompt& prompt, const QString& startCode,
                                                QWidget* parent = nullptr);

    // Shows the level that holds the code with its line selected (the nearest line when the code
    // is not there); the top level when the code's parent does not exist.
    void showCode(const QString& code);
    // The code chosen in a lookup; empty until one is chosen.
    QString chosenCode() const { return m_chosen; }
    QString levelCode() const { return QString::fromStdString(m_level); }
    QString selectedCode() const;

    CSpecEdit* codeField() const { return m_code; }
    QListWidget* subjectList() const { return m_list; }
    QLabel* countLabel() const { return m_count; }
    CSpecEdit* conditionField() const { return m_condition; }
    QPushButton* clearButton() const { return m_clear; }
    QPushButton* enterButton() const { return m_enter; }
    QPushButton* upButton() const { return m_up; }
    QPushButton* chooseButton() const { return m_choose; }

public slots:
    // Enter in 查询条件: the level again with only the names that contain the text.
    void applyCondition();
    // &C.清条件: the whole level again.
    void clearCondition();
    // &N.进子目 (→): the selected subject's children.
    void enterSelected();
    // ←: the parent's level, with the former parent selected.
    void goUp();
    // 选定: the selected subject is the lookup's answer.
    void choose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the level under parent with the condition; false (and nothing changed) when the level
    // has no line to show.
    bool showLevel(const std::string& parent, const std::string& condition, const QString& select, int row = 0);
    // Typing in the code box: the line of the typed code, in its level.
    void locateTyped(const QString& typed);
    void selectionChanged();

    Database& m_db;
    Prompt& m_prompt;
    bool m_lookup;
    std::string m_level;
    std::string m_conditionText; // the condition the list shows
    std::vector<SubjectLine> m_lines;
    QString m_chosen;
    bool m_locating = false;

    CSpecEdit* m_code = nullptr;
    QListWidget* m_list = nullptr;
    QLabel* m_count = nullptr;
    CSpecEdit* m_condition = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_enter = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_choose = nullptr;
};

} // namespace kszw
