// CMainFrame: the main window. A multiple-document area for the child windows, the main menu and
// toolbar built from the command table (each command enabled by its rule), and the status bar with
// its message, operator, Caps Lock and Num Lock panes.
#pragma once

#include "formview/view_kinds.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <string>

class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace kszw {

class CChildFrame;
class CommandTarget;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // The application's routing of the commands the main window does not run itself;
    // returns false when no layer handled the command.
    void setCommandHandler(std::function<bool(int)> handler) { m_handler = std::move(handler); }
    // The logged-in operator's permission codes, each followed by a blank.
    void setPermissionText(std::string text);
    // "操作：" + code + "," + name in the operator pane.
    void setOperator(const QString& code, const QString& name);
    // Title: program title + "：" + unit name + "(" + path of the year data file + ")".
    void setDocumentTitle(const QString& unitName, const QString& path);

    // Adds a view in a new child window that opens maximized and becomes active.
    CChildFrame* addChild(ViewKind kind, QWidget* view, CommandTarget* target);
    CChildFrame* activeChild() const;
    int childCount() const;
    QMdiArea* mdiArea() const { return m_mdi; }

    // Closes the child windows, the active one first; false when one refuses (the rest stay).
    bool closeChildren();

    QAction* action(int id) const;
    // Whether a command is enabled right now by its rule.
    bool isCommandEnabledNow(int id) const;
    // Sets every menu item and toolbar button enabled or disabled by its rule.
    void updateCommandStates();
    // Runs a command: the active view first, then the application's layers, then the main
    // window's own (close, exit, bars, window arrangement, context help).
    void runCommand(int id);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    QAction* makeAction(int id);
    bool runFrameCommand(int id);
    void arrangeIcons();
    void updateLockIndicators();

    QMdiArea* m_mdi;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_operatorPane = nullptr;
    QLabel* m_capsPane = nullptr;
    QLabel* m_numPane = nullptr;
    std::map<int, QAction*> m_actions;
    std::function<bool(int)> m_handler;
    std::string m_permissions;
};

} // namespace kszw
