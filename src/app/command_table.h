// The commands of the main menu and toolbar: their ids, texts, shortcuts, the permission code
// that gates each one, and the rule that enables it.
#pragma once

#include "common/command_ids.h"

#include <span>
#include <string_view>
#include <vector>

namespace kszw {

// When a command is enabled.
enum class Enabling {
    Always,              // always
    Permission,          // the operator holds its permission code
    PermissionNoChild,   // the operator holds its permission code and no child window is open
    NoChild,             // no child window is open
    ByView,              // the active view decides (disabled without one)
    ChildOpen,           // a child window is open (window commands of the framework)
};

struct CommandInfo {
    int id;
    std::string_view text;       // menu text with its "&" mnemonic ("" for toolbar-only commands)
    std::string_view shortcut;   // the shortcut shown after a tab in the menu, e.g. "Ctrl+P"
    std::string_view permission; // four-digit permission code, "" when none
    Enabling enabling;
    std::string_view prompt;     // status-bar prompt, then "\n" and the tool tip
};

struct MenuInfo {
    std::string_view title;
    std::vector<int> items; // command ids in order; 0 is a separator
};

// Every command the main window knows.
std::span<const CommandInfo> allCommands();
// The command of an id; nullptr when there is none.
const CommandInfo* findCommand(int id);
// The main menu in order.
const std::vector<MenuInfo>& mainMenu();
// The toolbar buttons in order; 0 is a separator.
const std::vector<int>& toolbarButtons();

// Whether a command is enabled: permissionText is the logged-in operator's codes, each followed
// by a blank; childOpen tells whether a child window is open; viewEnables is the active view's
// verdict for commands it decides.
bool isCommandEnabled(const CommandInfo& command, std::string_view permissionText, bool childOpen,
                      bool viewEnables);

// The status-bar prompt of a command (the part before "\n"), and its tool tip (the part after,
// or the menu text without its mnemonic when the prompt has none).
std::string_view statusPrompt(const CommandInfo& command);
std::string toolTip(const CommandInfo& command);

} // namespace kszw
