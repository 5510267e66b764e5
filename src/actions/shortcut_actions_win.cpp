// CreateShortcut: attribute reading, the progress line and the call into the
// shell-link service.
#include <windows.h>
#include <shlobj.h>

#include <new>

#include "actions/attribute_reading.h"
#include "actions/shortcut_actions.h"
#include "platform/shell_links.h"

CxResult CreateShortcutAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "CreateShortcut");
  CxResult r = read.Text("RootPath", &rootPath_);
  if (r == CX_OK) r = read.Text("Name", &name_);
  if (r == CX_OK) r = read.Text("Src", &source_);
  if (r != CX_OK) return r;
  read.Text("SubDirName", &subDirName_);
  read.Text("Icon", &icon_);
  read.Text("CmdLine", &cmdLine_);
  index_ = read.Int("Index");
  parsed_ = 1;
  return CX_OK;
}

CxResult CreateShortcutAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "CreateShortcut", &text);
  if (r != CX_OK) return r;
  WString path = rootPath_;
  path.Append(u"\\");
  path.Append(subDirName_);
  path.Append(u"\\");
  path.Append(name_);
  FillPlaceholder(&text, u"path", path);
  *out = text;
  return CX_OK;
}

CxResult CreateShortcutAction::Execute(InstallContext*) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  r = CreateShortcutFile(rootPath_.Wide(), subDirName_.Wide(), name_.Wide(), source_.Wide(),
                         icon_.Wide(), index_, cmdLine_.Wide());
  ::SHChangeNotify(SHCNE_ASSOCCHANGED, 0, nullptr, nullptr);
  return r;
}

Action* CreateCreateShortcutAction(ScriptElement* element) {
  return new (std::nothrow) CreateShortcutAction(element);
}
