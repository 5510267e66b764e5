// CreateShortcut: the call into the shell-link service.
#include <windows.h>
#include <shlobj.h>

#include "actions/shortcut_actions.h"
#include "platform/shell_links.h"

CxResult ExecuteCreateShortcut(ActionValues* values, InstallContext*) {
  const CxResult r = CreateShortcutFile(
      values->Text("RootPath").Wide(), values->Text("SubDirName").Wide(),
      values->Text("Name").Wide(), values->Text("Src").Wide(), values->Text("Icon").Wide(),
      values->Int("Index"), values->Text("CmdLine").Wide());
  ::SHChangeNotify(SHCNE_ASSOCCHANGED, 0, nullptr, nullptr);
  return r;
}
