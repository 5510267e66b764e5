// Native stand-in for the folder lookups: fixed paths as a 32-bit process
// sees them on 64-bit Windows, replaceable by tests.
#include "common/sysinfo.h"
#include "package/system_folders.h"

namespace {

RawSystemFolders DefaultFolders() {
  RawSystemFolders f;
  f.programFiles = u"C:\\Program Files (x86)";
  f.programFilesX86 = u"C:\\Program Files (x86)";
  f.system = u"C:\\Windows\\system32";
  f.systemX86 = u"C:\\Windows\\system32";
  f.windows = u"C:\\Windows";
  f.appData = u"C:\\Users\\user\\AppData\\Roaming";
  f.commonAppData = u"C:\\ProgramData";
  f.commonDesktop = u"C:\\Users\\Public\\Desktop";
  f.programs = u"C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
  f.commonPrograms = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
  f.desktop = u"C:\\Users\\user\\Desktop";
  f.exePath = u"C:\\Users\\user\\Temp\\cxsetup.exe";
  return f;
}

RawSystemFolders& HostFolders() {
  static RawSystemFolders folders = DefaultFolders();
  return folders;
}

}  // namespace

void SetHostSystemFoldersForTesting(const RawSystemFolders& folders) { HostFolders() = folders; }
void ResetHostSystemFoldersForTesting() { HostFolders() = DefaultFolders(); }

CxResult QueryRawSystemFolders(RawSystemFolders* out) {
  if (!out) return CX_E_INVALID_ARG;
  RawSystemFolders f = HostFolders();
  f.is64 = IsOs64Bit() == 1;
  *out = f;
  return CX_OK;
}
