// The "CreateShortcut" action: a shortcut to an installed program, usually in
// the Programs menu under a product folder or on the desktop. Shortcuts are
// not removed by an action of their own: the uninstall list deletes the menu
// folder and the desktop link with the file actions.
//
// Switches WOW64 file-system redirection off for its lifetime on a 64-bit
// Windows; it must be created, used and destroyed on the worker thread.
#pragma once
#include <cstdint>

#include "common/sysinfo.h"
#include "common/wstring.h"
#include "engine/action.h"

// "RootPath", "Name", "Src" (required, not empty, read in that order);
// "SubDirName", "Icon", "CmdLine" (optional); "Index" (signed decimal,
// absent or not a number: 0). No "os" filter.
class CreateShortcutAction : public Action {
 public:
  explicit CreateShortcutAction(ScriptElement* element) : Action(element) {}

  CxResult Parse(int force) override;
  // Fills "$[path]" with RootPath\SubDirName\Name (two backslashes in a row
  // for an empty SubDirName).
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // CreateShortcutFile's result (platform/shell_links.h); the shell is told
  // to refresh its icons and menus whatever the result.
  CxResult Execute(InstallContext* context) override;

 private:
  ScopedFsRedirectionOff redirectionOff_;
  WString rootPath_;
  WString subDirName_;
  WString name_;
  WString source_;
  WString icon_;
  WString cmdLine_;
  int32_t index_ = 0;
};

// Factory for the action registry; null when memory runs out.
Action* CreateCreateShortcutAction(ScriptElement* element);
