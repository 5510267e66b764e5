// The work of the "CreateShortcut" action: a shortcut to an installed
// program, usually in the Programs menu under a product folder or on the
// desktop. Shortcuts are not removed by an action of their own: the
// uninstall list deletes the menu folder and the desktop link with the file
// actions. Attributes, description and redirection: its row in
// package/script_vocabulary.cpp.
#pragma once
#include "engine/script_action.h"

// CreateShortcutFile's result (platform/shell_links.h); the shell is told
// to refresh its icons and menus whatever the result.
CxResult ExecuteCreateShortcut(ActionValues* values, InstallContext* context);
