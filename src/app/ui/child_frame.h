// CChildFrame: a child window of the main window. It opens maximized and comes back maximized when
// activated, until the user arranges the windows (tile or cascade): from then on activating it
// keeps the arrangement the user chose. Minimising and restoring it are the user's too: the window
// is maximized again only when another window was chosen in between.
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

    // The title of the view shown in it, before a ":n" that tells windows of one title apart.
    const QString& baseTitle() const { return m_baseTitle; }
    // True once the user has tiled or cascaded the windows; activation then leaves it as it is.
    bool isArranged() const { return m_arranged; }
    void setArranged(bool arranged) { m_arranged = arranged; }
    // The main window made it the active child window.
    void activated();

signals:
    // It went down to an icon.
    void minimised();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    ViewKind m_kind;
    CommandTarget* m_target;
    QString m_baseTitle;
    bool m_arranged = false;
    bool m_opened = false;
};

} // namespace kszw
