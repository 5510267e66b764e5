// Start-up loading of the run-time DLLs.
#include "app/system_libraries.h"

#include <windows.h>

#include <string>

#include "app/setup_log.h"
#include "common/codepage.h"
#include "common/crypt32_api.h"
#include "common/version_api.h"
#include "common/win_handles.h"

bool SystemLibrariesReady(bool quiet) {
  for (const SystemDllStatus* status : {&Crypt32Status(), &VersionStatus()}) {
    if (status->result == CX_OK) continue;
    std::u16string what = AsU16(status->dll);
    if (status->entry) {
      what += u" (";
      for (const char* c = status->entry; *c; ++c) what += static_cast<char16_t>(*c);
      what += u")";
    }
    ProcessLog().WriteResult(
        "the system library " + Utf16ToUtf8(what) + " could not be loaded from the system folder",
        status->result);
    if (!quiet) {
      const std::u16string text = u"The setup cannot start: the Windows library " + what +
                                  u" could not be loaded from the system folder.";
      ::MessageBoxW(nullptr, AsWide(text.c_str()), L"", MB_ICONERROR | MB_TOPMOST);
    }
    return false;
  }
  return true;
}
