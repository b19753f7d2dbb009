// CSubjectDirectoryDlg: the chart of accounts one level at a time (科目目录操纵). The code box
// names the level shown; → enters the selected subject's children, ← goes back to its parent's
// level; 增加 adds a subject to the level, Enter or a double-click modifies the selected one, Delete
// deletes it; the 子目操纵 menu copies, moves, pastes and deletes whole sets of children. Every
// check and statement is the core's (chart/subjects.h).
#pragma once

#include "chart/subjects.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace kszw {

class CSubjectDlg;
class Database;
struct Prompt;

class CSubjectDirectoryDlg : public QDialog {
    Q_OBJECT
public:
    CSubjectDirectoryDlg(Database& db, Prompt& prompt, QWidget* parent = nullptr);

    // Runs the subject dialog and returns its result; by default modally. Tests put in their own
    // to fill and confirm the dialog without an event loop of its own.
    std::function<int(CSubjectDlg&)> runSubjectDialog;

    // The code of the level shown ("" at the top level) and of the selected subject.
    QString levelCode() const { return QString::fromStdString(m_level); }
    QString selectedCode() const;
    // The source of a pending copy or move, until it is pasted or the dialog closes.
    const std::optional<SubtreeSource>& pendingSource() const { return m_source; }

    QComboBox* codeBox() const { return m_codeBox; }
    QListWidget* subjectList() const { return m_list; }
    QLabel* countLabel() const { return m_count; }
    QLabel* sourceLabel() const { return m_sourceLabel; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* modifyButton() const { return m_modify; }
    QPushButton* subtreeButton() const { return m_subtree; }
    QMenu* subtreeMenu() const { return m_menu; }

public slots:
    // Shows the level below parent ("" the top level) with the subject of that code selected (or
    // the line at row).
    void showLevel(const QString& parent, const QString& select = QString(), int row = 0);
    // Enter in the code box: the level that holds the typed code, with it selected; a code ending
    // in "-" shows its children.
    void showTypedCode();
    // → or 进入子目录: the selected subject's children.
    void enterSelected();
    // ←: the parent's level, with the former parent selected.
    void goUp();
    // 增加(&A): the subject dialog for a new subject of this level, after the parent's checks.
    void addNew();
    // 修改(&S), Enter or a double-click: the subject dialog for the selected subject.
    void modifySelected();
    // Delete: the selected subject and its subtree go, without a question.
    void deleteSelected();
    // The 子目操纵 menu: the selected subject's children as the source of a copy or a move, pasted
    // under the selected subject, or deleted after a question.
    void copyChildren();
    void moveChildren();
    void pasteChildren();
    void deleteChildrenOfSelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseSource(SubtreeKind kind);
    void updateCount();
    void updateSourceLabel();
    void refocusCodeBox();

    Database& m_db;
    Prompt& m_prompt;
    std::string m_level;
    std::optional<SubtreeSource> m_source;

    QComboBox* m_codeBox = nullptr;
    QListWidget* m_list = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_sourceLabel = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_modify = nullptr;
    QPushButton* m_subtree = nullptr;
    QMenu* m_menu = nullptr;
};

} // namespace kszw
