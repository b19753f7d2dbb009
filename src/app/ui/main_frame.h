// CMainFrame: the main window. A multiple-document area for the child windows, the main menu and
// toolbar built from the command table (each command enabled by its rule), and the status bar with
// its message, operator, Caps Lock and Num Lock panes.
#pragma once

#include "formview/view_kinds.h"

#include <QList>
#include <QMainWindow>

#include <functional>
#include <map>
#include <string>
#include <utility>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace kszw {

class CChildFrame;
class CommandTarget;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

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
    // Makes a child window the active one (a minimised one is restored first).
    void activateChild(QMdiSubWindow* child);
    // The window list of the 窗口 menu as it stands: "&1 title" … for the first nine windows in the
    // order they were opened, the active one checked, then "其他窗口..." when there are more.
    QList<QAction*> windowListActions() const { return m_windowListActions; }
    // Rebuilds that list (done whenever the menu opens).
    void refreshWindowList();

    QAction* action(int id) const;
    // Whether a command is enabled right now by its rule.
    bool isCommandEnabledNow(int id) const;
    // Sets every menu item and toolbar button enabled or disabled by its rule.
    void updateCommandStates();
    // Runs a command: the active view first, then the application's layers, then the main
    // window's own (close, exit, bars, window arrangement, context help).
    void runCommand(int id);
    // The command an error ended (the innermost one when commands ran inside each other), cleared
    // by the call; 0 when none. The program's error handler names it in its message.
    int takeFailedCommand() { return std::exchange(m_failedCommand, 0); }

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
    // Tile and cascade: the user's arrangement, kept when a window is activated again.
    void arrangeWindows(bool tile);
    // The part of the area windows are arranged in: all of it but the row of minimised windows.
    QRect arrangementArea() const;
    void childMinimised(QMdiSubWindow* child);
    // Windows of one title are told apart by ":1", ":2" … in the order they were opened.
    void refreshChildTitles();
    void chooseOtherWindow();
    void updateLockIndicators();

    QMdiArea* m_mdi;
    QMenu* m_windowMenu = nullptr;
    QList<QAction*> m_windowListActions;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_operatorPane = nullptr;
    QLabel* m_capsPane = nullptr;
    QLabel* m_numPane = nullptr;
    std::map<int, QAction*> m_actions;
    std::function<bool(int)> m_handler;
    std::string m_permissions;
    int m_failedCommand = 0;
};

} // namespace kszw
