// Full paths of the tools in the system and Windows folders.
#include <windows.h>

#include "platform/process_control.h"
#include "platform/system_tools.h"
#include "common/win_handles.h"

namespace {
using FolderQuery = UINT(WINAPI*)(LPWSTR, UINT);

CxResult FolderOf(FolderQuery query, WString* out) {
  wchar_t folder[MAX_PATH];
  UINT n = query(folder, MAX_PATH);
  if (n == 0) {
    DWORD e = ::GetLastError();
    return e != 0 ? static_cast<CxResult>(e) : CX_E_FAIL;
  }
  if (n >= MAX_PATH) return CX_E_BUFFER_TOO_SMALL;
  out->Assign(AsU16(folder));
  return CX_OK;
}

CxResult ToolUnder(FolderQuery query, const char16_t* toolPath, WString* out) {
  if (!toolPath || !out) return CX_E_INVALID_ARG;
  WString folder;
  CxResult r = FolderOf(query, &folder);
  return r != CX_OK ? r : JoinToolPath(folder.Wide(), toolPath, out);
}
}  // namespace

CxResult WindowsFolderPath(WString* out) {
  return out ? FolderOf(::GetSystemWindowsDirectoryW, out) : CX_E_INVALID_ARG;
}

CxResult SystemToolPath(const char16_t* toolName, WString* out) {
  return ToolUnder(::GetSystemDirectoryW, toolName, out);
}

CxResult WindowsToolPath(const char16_t* toolPath, WString* out) {
  return ToolUnder(::GetSystemWindowsDirectoryW, toolPath, out);
}

CxResult RunSystemTool(const char16_t* toolName, const char16_t* parameters, int hidden,
                       uint32_t waitMs) {
  WString path;
  CxResult r = SystemToolPath(toolName, &path);
  if (r != CX_OK) return r;
  return RunProgram(path.Wide(), parameters, hidden, waitMs);
}
