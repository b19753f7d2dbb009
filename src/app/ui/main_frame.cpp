#include "app/ui/main_frame.h"

#include "app/app_texts.h"
#include "app/command_table.h"
#include "app/ui/child_frame.h"
#include "app/ui/lock_keys.h"
#include "app/ui/toolbar_icons.h"
#include "common/ui/command_target.h"
#include "common/ui/qt_prompt.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>


namespace kszw {

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), m_mdi(new QMdiArea(this))
{
    setWindowTitle(QString::fromUtf8(app_text::kProgramTitle));
    m_mdi->setViewMode(QMdiArea::SubWindowView);
    m_mdi->setBackground(QColor(0x80, 0x80, 0x80));
    setCentralWidget(m_mdi);
    buildMenus();
    buildToolBar();
    buildStatusBar();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { updateCommandStates(); });
    // Toolbar buttons follow the state of the active view, as menu items do when opened.
    auto* idle = new QTimer(this);
    idle->setInterval(250);
    connect(idle, &QTimer::timeout, this, [this] {
        updateCommandStates();
        updateLockIndicators();
    });
    idle->start();
    updateCommandStates();
}

QAction* CMainFrame::makeAction(int id)
{
    auto found = m_actions.find(id);
    if (found != m_actions.end())
        return found->second;
    const CommandInfo* info = findCommand(id);
    auto* action = new QAction(this);
    if (info) {
        action->setText(qtText(info->text));
        if (!info->shortcut.empty())
            action->setShortcut(QKeySequence(qtText(info->shortcut)));
        action->setStatusTip(qtText(statusPrompt(*info)));
        action->setToolTip(QString::fromStdString(kszw::toolTip(*info)));
        action->setWhatsThis(qtText(statusPrompt(*info)));
    }
    action->setIcon(commandIcon(id));
    action->setIconVisibleInMenu(false);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    m_actions[id] = action;
    return action;
}

void CMainFrame::buildMenus()
{
    for (const MenuInfo& menuInfo : mainMenu()) {
        QMenu* menu = menuBar()->addMenu(qtText(menuInfo.title));
        for (int id : menuInfo.items) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(makeAction(id));
        }
        connect(menu, &QMenu::aboutToShow, this, [this] { updateCommandStates(); });
    }
    QAction* toolBarItem = makeAction(cmd::kToolBar);
    toolBarItem->setCheckable(true);
    toolBarItem->setChecked(true);
    QAction* statusBarItem = makeAction(cmd::kStatusBar);
    statusBarItem->setCheckable(true);
    statusBarItem->setChecked(true);
}

void CMainFrame::buildToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("工具栏"));
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(24, 24));
    for (int id : toolbarButtons()) {
        if (id == 0)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(makeAction(id));
    }
}

void CMainFrame::buildStatusBar()
{
    statusBar()->showMessage(QStringLiteral("就绪"));
    m_operatorPane = new QLabel(this);
    m_operatorPane->setMinimumWidth(160);
    m_capsPane = new QLabel(this);
    m_capsPane->setMinimumWidth(36);
    m_capsPane->setAlignment(Qt::AlignCenter);
    m_numPane = new QLabel(this);
    m_numPane->setMinimumWidth(36);
    m_numPane->setAlignment(Qt::AlignCenter);
    for (QLabel* pane : {m_operatorPane, m_capsPane, m_numPane}) {
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        statusBar()->addPermanentWidget(pane);
    }
    updateLockIndicators();
}

void CMainFrame::updateLockIndicators()
{
    const LockKeyStates states = lockKeyStates();
    m_capsPane->setText(states.capsLock ? QStringLiteral("CAP") : QString());
    m_numPane->setText(states.numLock ? QStringLiteral("NUM") : QString());
}

void CMainFrame::setPermissionText(std::string text)
{
    m_permissions = std::move(text);
    updateCommandStates();
}

void CMainFrame::setOperator(const QString& code, const QString& name)
{
    m_operatorPane->setText(QStringLiteral("操作：") + code + QStringLiteral(",") + name);
}

void CMainFrame::setDocumentTitle(const QString& unitName, const QString& path)
{
    setWindowTitle(QString::fromUtf8(app_text::kProgramTitle) + QStringLiteral("：") + unitName + QStringLiteral("(") + path +
                   QStringLiteral(")"));
}

CChildFrame* CMainFrame::addChild(ViewKind kind, QWidget* view, CommandTarget* target)
{
    auto* frame = new CChildFrame(kind, view, target);
    m_mdi->addSubWindow(frame);
    frame->showMaximized();
    m_mdi->setActiveSubWindow(frame);
    view->setFocus();
    updateCommandStates();
    return frame;
}

CChildFrame* CMainFrame::activeChild() const
{
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    if (!active) {
        const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
        if (!windows.isEmpty())
            active = windows.last();
    }
    return qobject_cast<CChildFrame*>(active);
}

int CMainFrame::childCount() const
{
    return static_cast<int>(m_mdi->subWindowList().size());
}

QAction* CMainFrame::action(int id) const
{
    auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

bool CMainFrame::isCommandEnabledNow(int id) const
{
    const CommandInfo* info = findCommand(id);
    if (!info)
        return false;
    CChildFrame* child = activeChild();
    bool viewEnables = child && child->target() && child->target()->isCommandEnabled(id);
    return isCommandEnabled(*info, m_permissions, childCount() > 0, viewEnables);
}

void CMainFrame::updateCommandStates()
{
    for (auto& [id, action] : m_actions)
        action->setEnabled(isCommandEnabledNow(id));
    if (QAction* item = action(cmd::kToolBar))
        item->setChecked(m_toolBar->isVisible() || !isVisible());
    if (QAction* item = action(cmd::kStatusBar))
        item->setChecked(statusBar()->isVisible() || !isVisible());
}

void CMainFrame::runCommand(int id)
{
    if (!isCommandEnabledNow(id))
        return;
    // The active view may run any command itself (a form view runs the calculator on its cell).
    CChildFrame* child = activeChild();
    if (child && child->target() && child->target()->runCommand(id)) {
        updateCommandStates();
        return;
    }
    if ((m_handler && m_handler(id)) || runFrameCommand(id)) {
        updateCommandStates();
        return;
    }
}

bool CMainFrame::runFrameCommand(int id)
{
    switch (id) {
    case cmd::kFileNew: return true; // the framework's new file does nothing here
    case cmd::kClose:
        if (QMdiSubWindow* active = activeChild())
            active->close();
        return true;
    case cmd::kExit: close(); return true;
    case cmd::kToolBar: m_toolBar->setVisible(!m_toolBar->isVisible()); return true;
    case cmd::kStatusBar: statusBar()->setVisible(!statusBar()->isVisible()); return true;
    case cmd::kCascade: m_mdi->cascadeSubWindows(); return true;
    case cmd::kTile: m_mdi->tileSubWindows(); return true;
    case cmd::kArrangeIcons: arrangeIcons(); return true;
    case cmd::kContextHelp: QWhatsThis::enterWhatsThisMode(); return true;
    default: return false;
    }
}

void CMainFrame::arrangeIcons()
{
    // Minimised windows are lined up along the bottom edge of the area, left to right.
    int x = 0;
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (!window->isMinimized())
            continue;
        QSize size = window->size();
        window->move(x, m_mdi->viewport()->height() - size.height());
        x += size.width();
    }
}

bool CMainFrame::closeChildren()
{
    // Child windows close one at a time, the active one first; one that refuses stops the closing.
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (!(*it)->close())
            return false;
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (closeChildren())
        event->accept();
    else
        event->ignore();
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_CapsLock || key->key() == Qt::Key_NumLock)
            QTimer::singleShot(0, this, [this] { updateLockIndicators(); });
    }
    return QMainWindow::event(event);
}

} // namespace kszw
