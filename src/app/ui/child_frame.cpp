#include "app/ui/child_frame.h"

#include <QEvent>

namespace kszw {

CChildFrame::CChildFrame(ViewKind kind, QWidget* view, CommandTarget* target, QWidget* parent)
    : QMdiSubWindow(parent), m_kind(kind), m_target(target)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(view);
    setWindowTitle(view->windowTitle());
}

void CChildFrame::showEvent(QShowEvent* event)
{
    QMdiSubWindow::showEvent(event);
    if (!isMaximized())
        showMaximized();
}

void CChildFrame::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    // Activated again after another window was chosen: it comes back maximized.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !isMaximized() && !isMinimized())
        showMaximized();
}

} // namespace kszw
