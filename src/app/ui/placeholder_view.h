// The view shown in a child window for a view kind whose real view is not built yet: it says so
// plainly and enables no command.
#pragma once

#include "common/ui/command_target.h"
#include "formview/view_kinds.h"

#include <QWidget>

namespace kszw {

class PlaceholderView : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    explicit PlaceholderView(ViewKind kind, QWidget* parent = nullptr);

    ViewKind kind() const { return m_kind; }
    bool isCommandEnabled(int) const override { return false; }
    bool runCommand(int) override { return false; }

private:
    ViewKind m_kind;
};

// The text of a placeholder for a function that is not available yet.
QString notYetAvailableText(const QString& name);

} // namespace kszw
