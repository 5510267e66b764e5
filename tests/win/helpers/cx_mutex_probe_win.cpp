// A second process for the named-mutex tests:
//   cx_mutex_probe NAME
// starts the library, creates the mutex NAME the way the installer does and
// opens it again. Prints "ready" and exits with a bit set:
//   1 created (a handle came back), 2 the mutex already existed,
//   4 OpenNamedMutex found it.
#include <cstdio>
#include <string>

#include "common/common_lib.h"
#include "common/named_objects.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 64;
  const std::wstring wide(argv[1]);
  const std::string name(wide.begin(), wide.end());  // the tests use ASCII names
  CommonLibInit();
  int code = 0;
  int createdNew = 1;
  CxObjectHandle created = nullptr;
  if (CreateNamedMutex(0, name.c_str(), &createdNew, &created) == CX_OK) {
    code |= 1;
    if (!createdNew) code |= 2;
  }
  CxObjectHandle opened = nullptr;
  if (OpenNamedMutex(name.c_str(), &opened) == CX_OK) code |= 4;
  std::printf("ready\n");
  std::fflush(stdout);
  if (opened) CloseObjectHandle(opened);
  if (created) CloseObjectHandle(created);
  CommonLibUninit();
  return code;
}
