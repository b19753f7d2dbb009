// CChildFrame: a child window of the main window that always opens maximized.
#pragma once

#include "formview/view_kinds.h"

#include <QMdiSubWindow>

namespace kszw {

class CommandTarget;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame(ViewKind kind, QWidget* view, CommandTarget* target, QWidget* parent = nullptr);

    ViewKind kind() const { return m_kind; }
    CommandTarget* target() const { return m_target; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    ViewKind m_kind;
    CommandTarget* m_target;
};

} // namespace kszw
