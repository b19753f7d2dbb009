#include "app/ui/main_frame.h"

#include "app/app_texts.h"
#include "app/command_table.h"
#include "app/ui/child_frame.h"
#include "app/ui/lock_keys.h"
#include "app/ui/toolbar_icons.h"
#include "common/ui/command_target.h"
#include "common/ui/qt_prompt.h"
#include "store/location.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWhatsThis>

#include <algorithm>
#include <cmath>
#include <exception>
#include <map>


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
    // The shortcuts of a multiple-document program for the next and the previous window.
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6), this);
    connect(next, &QShortcut::activated, m_mdi, &QMdiArea::activateNextSubWindow);
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6), this);
    connect(previous, &QShortcut::activated, m_mdi, &QMdiArea::activatePreviousSubWindow);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (auto* child = qobject_cast<CChildFrame*>(window))
            child->activated();
        updateCommandStates();
    });
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

CMainFrame::~CMainFrame()
{
    // The child windows close after the frame's own parts are gone: they must not reach back.
    disconnect(m_mdi, nullptr, this, nullptr);
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
        if (std::find(menuInfo.items.begin(), menuInfo.items.end(), cmd::kTile) != menuInfo.items.end()) {
            m_windowMenu = menu;
            connect(menu, &QMenu::aboutToShow, this, [this] { refreshWindowList(); });
        }
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
    // When a menu's prompt goes away the idle text comes back.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty())
            statusBar()->showMessage(QStringLiteral("就绪"));
    });
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
    setWindowTitle(QString::fromUtf8(app_text::kProgramTitle) + QStringLiteral("：") + unitName + QStringLiteral("(") +
                   QString::fromStdString(displayNameOfPlace(path.toStdString())) + QStringLiteral(")"));
}

CChildFrame* CMainFrame::addChild(ViewKind kind, QWidget* view, CommandTarget* target)
{
    auto* frame = new CChildFrame(kind, view, target);
    m_mdi->addSubWindow(frame);
    // The size it takes when restored: two thirds of the area, a title bar further down and to the
    // right for each window already open.
    const QSize area = m_mdi->viewport()->size();
    const int step = 24 * (childCount() - 1) % std::max(1, area.height() / 3);
    frame->setGeometry(QRect(QPoint(step, step), QSize(std::max(320, area.width() * 2 / 3),
                                                       std::max(200, area.height() * 2 / 3))));
    connect(frame, &CChildFrame::minimised, this, [this, frame] { childMinimised(frame); }, Qt::QueuedConnection);
    connect(frame, &QObject::destroyed, this, [this] { QTimer::singleShot(0, this, [this] { refreshChildTitles(); }); });
    refreshChildTitles();
    frame->showMaximized();
    m_mdi->setActiveSubWindow(frame);
    view->setFocus();
    updateCommandStates();
    return frame;
}

void CMainFrame::refreshChildTitles()
{
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    std::map<QString, int> counts;
    for (QMdiSubWindow* window : windows)
        if (auto* child = qobject_cast<CChildFrame*>(window))
            ++counts[child->baseTitle()];
    std::map<QString, int> numbers;
    for (QMdiSubWindow* window : windows) {
        auto* child = qobject_cast<CChildFrame*>(window);
        if (!child)
            continue;
        const QString& base = child->baseTitle();
        child->setWindowTitle(counts[base] > 1 ? base + QStringLiteral(":") + QString::number(++numbers[base]) : base);
    }
}

void CMainFrame::activateChild(QMdiSubWindow* child)
{
    if (!child)
        return;
    if (child->isMinimized())
        child->showNormal();
    m_mdi->setActiveSubWindow(child);
    if (QWidget* view = child->widget())
        view->setFocus();
}

void CMainFrame::refreshWindowList()
{
    if (!m_windowMenu)
        return;
    for (QAction* item : m_windowListActions) {
        m_windowMenu->removeAction(item);
        item->deleteLater();
    }
    m_windowListActions.clear();
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    m_windowListActions << m_windowMenu->addSeparator();
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    constexpr int kListed = 9;
    for (int i = 0; i < windows.size() && i < kListed; ++i) {
        QString title = windows[i]->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(title));
        item->setCheckable(true);
        item->setChecked(windows[i] == active);
        QPointer<QMdiSubWindow> window = windows[i];
        connect(item, &QAction::triggered, this, [this, window] { activateChild(window); });
        m_windowListActions << item;
    }
    if (windows.size() > kListed) {
        QAction* more = m_windowMenu->addAction(QStringLiteral("其他窗口..."));
        connect(more, &QAction::triggered, this, [this] { chooseOtherWindow(); });
        m_windowListActions << more;
    }
}

void CMainFrame::chooseOtherWindow()
{
    // Every window in a list, the active one selected; Enter or a double-click activates one.
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("选择窗口"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QListWidget(&dialog);
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* window : windows) {
        list->addItem(window->windowTitle());
        if (window == m_mdi->activeSubWindow())
            list->setCurrentRow(list->count() - 1);
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    layout->addWidget(list);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    if (dialog.exec() == QDialog::Accepted && list->currentRow() >= 0 && list->currentRow() < windows.size())
        activateChild(windows[list->currentRow()]);
}

QRect CMainFrame::arrangementArea() const
{
    // The row of minimised windows along the bottom stays clear.
    QRect area(QPoint(0, 0), m_mdi->viewport()->size());
    int iconHeight = 0;
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        if (window->isMinimized())
            iconHeight = std::max(iconHeight, window->height());
    area.setBottom(area.bottom() - iconHeight);
    return area;
}

void CMainFrame::arrangeWindows(bool tile)
{
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(window))
            child->setArranged(true);
    arrangeIcons();
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (!window->isMinimized())
            windows << window;
    if (windows.isEmpty())
        return;
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    for (QMdiSubWindow* window : windows)
        if (window->isMaximized())
            window->showNormal();
    const QRect area = arrangementArea();
    const int count = static_cast<int>(windows.size());
    if (tile) {
        // As many columns as the square root asks, the windows filling them top to bottom; the
        // last columns take one window more when the count does not divide.
        const int columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count)))));
        int index = 0;
        for (int column = 0; column < columns; ++column) {
            const int rows = count / columns + (column >= columns - count % columns && count % columns ? 1 : 0);
            const int left = area.left() + area.width() * column / columns;
            const int right = area.left() + area.width() * (column + 1) / columns;
            for (int row = 0; row < rows && index < count; ++row, ++index) {
                const int top = area.top() + area.height() * row / rows;
                const int bottom = area.top() + area.height() * (row + 1) / rows;
                windows[index]->setGeometry(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
            }
        }
        if (active)
            m_mdi->setActiveSubWindow(active);
        return;
    }
    // Cascade: each window one title bar lower and to the right of the one before, all of one
    // size, large enough to work in; the active window comes last, in front, so no window hides
    // another's title bar.
    if (active && windows.contains(active)) {
        windows.removeOne(active);
        windows << active;
    }
    const int step = std::max(20, windows.first()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr,
                                                                         windows.first()) + 4);
    const QSize size(std::max(area.width() - step * (count - 1), area.width() * 2 / 3),
                     std::max(area.height() - step * (count - 1), area.height() * 2 / 3));
    for (int i = 0; i < count; ++i) {
        const int offset = step * i;
        windows[i]->setGeometry(QRect(QPoint(area.left() + offset % std::max(1, area.width() - size.width() + 1),
                                             area.top() + offset % std::max(1, area.height() - size.height() + 1)),
                                      size));
        windows[i]->raise();
    }
    if (active)
        m_mdi->setActiveSubWindow(active);
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

namespace {

// Marks the command that an exception ends: the guard of a command notes its id when it is left
// by an exception that no inner command has claimed.
class RunningCommand {
public:
    RunningCommand(int id, int& failed) : m_id(id), m_failed(failed), m_uncaught(std::uncaught_exceptions()) {}
    ~RunningCommand()
    {
        if (std::uncaught_exceptions() > m_uncaught && m_failed == 0)
            m_failed = m_id;
    }
    RunningCommand(const RunningCommand&) = delete;
    RunningCommand& operator=(const RunningCommand&) = delete;

private:
    int m_id;
    int& m_failed;
    int m_uncaught;
};

} // namespace

void CMainFrame::runCommand(int id)
{
    if (!isCommandEnabledNow(id))
        return;
    RunningCommand running(id, m_failedCommand);
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
    case cmd::kCascade: arrangeWindows(false); return true;
    case cmd::kTile: arrangeWindows(true); return true;
    case cmd::kArrangeIcons: arrangeIcons(); return true;
    case cmd::kContextHelp: QWhatsThis::enterWhatsThisMode(); return true;
    default: return false;
    }
}

void CMainFrame::arrangeIcons()
{
    // Minimised windows are lined up along the bottom edge of the area, left to right, in front
    // of the others.
    int x = 0;
    for (QMdiSubWindow* window : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isMinimized())
            continue;
        QSize size = window->size();
        window->move(x, m_mdi->viewport()->height() - size.height());
        window->raise();
        x += size.width();
    }
}

void CMainFrame::childMinimised(QMdiSubWindow* child)
{
    // The active window went down to an icon: the one used before it becomes active.
    if (m_mdi->activeSubWindow() != child)
        return;
    const QList<QMdiSubWindow*> history = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = history.rbegin(); it != history.rend(); ++it)
        if (*it != child && !(*it)->isMinimized()) {
            m_mdi->setActiveSubWindow(*it);
            return;
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
