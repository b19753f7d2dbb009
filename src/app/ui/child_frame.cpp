#include "app/ui/child_frame.h"

#include <QEvent>

namespace kszw {

CChildFrame::CChildFrame(ViewKind kind, QWidget* view, CommandTarget* target, QWidget* parent)
    : QMdiSubWindow(parent), m_kind(kind), m_target(target)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(view);
    m_baseTitle = view->windowTitle();
    setWindowTitle(m_baseTitle);
}

void CChildFrame::showEvent(QShowEvent* event)
{
    QMdiSubWindow::showEvent(event);
    // A new window opens maximized.
    if (!m_opened) {
        m_opened = true;
        if (!isMaximized())
            showMaximized();
    }
}

void CChildFrame::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        emit minimised();
}

void CChildFrame::activated()
{
    // Activated again after another window was chosen: it comes back maximized, unless the user
    // has arranged the windows since.
    if (!m_arranged && !isMaximized() && !isMinimized())
        showMaximized();
}

} // namespace kszw
