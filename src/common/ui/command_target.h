// What a view in a child window offers the main window: whether it enables a command that the
// active view decides (print, save, copy …) and running it.
#pragma once

namespace kszw {

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // True when the view enables the command now.
    virtual bool isCommandEnabled(int id) const = 0;
    // Runs the command; false when the view does not handle it.
    virtual bool runCommand(int id) = 0;
};

} // namespace kszw
