// Shortcut files through IShellLinkW and IPersistFile.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "common/win_handles.h"
#include "platform/file_system.h"
#include "platform/shell_link_paths.h"
#include "platform/shell_links.h"

namespace {
std::u16string Text(const char16_t* s) { return s ? std::u16string(s) : std::u16string(); }
}  // namespace

CxResult CreateShortcutFile(const char16_t* rootPath, const char16_t* subDir,
                            const char16_t* name, const char16_t* target, const char16_t* icon,
                            int32_t iconIndex, const char16_t* arguments) {
  if (!target || !*target) return CX_E_INVALID_ARG;
  ShortcutPaths paths;
  CxResult r = BuildShortcutPaths(Text(rootPath), Text(subDir), Text(name), &paths);
  if (r != CX_OK) return r;
  // The trailing backslash makes every part a folder, "Tool 2.0" included.
  r = CreateDirectoryPath(paths.folder.c_str());
  if (r != CX_OK) return r;
  const std::u16string workingFolder = ShortcutWorkingFolder(target);

  ScopedComInit com;
  ScopedComPtr<IShellLinkW> link;
  HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.Receive()));
  if (FAILED(hr)) return static_cast<CxResult>(hr);
  link.Get()->SetPath(AsWide(target));
  link.Get()->SetWorkingDirectory(AsWide(workingFolder.c_str()));
  link.Get()->SetShowCmd(SW_SHOW);
  const bool ownIcon = icon && *icon;
  link.Get()->SetIconLocation(AsWide(ownIcon ? icon : target), iconIndex);
  if (arguments && *arguments) link.Get()->SetArguments(AsWide(arguments));

  ScopedComPtr<IPersistFile> file;
  hr = link.Get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()));
  if (FAILED(hr)) return static_cast<CxResult>(hr);
  hr = file.Get()->Save(AsWide(paths.linkFile.c_str()), TRUE);
  return FAILED(hr) ? static_cast<CxResult>(hr) : CX_OK;
}
