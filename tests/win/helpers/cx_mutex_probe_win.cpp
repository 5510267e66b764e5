// cx_mutex_probe NAME: creates the mutex NAME as the installer does, opens it
// again, prints "ready" and exits with bits 1 created, 2 already existed, 4 opened.
#include <cstdio>
#include <string>

#include "common/common_lib.h"
#include "common/named_objects.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 64;
  const std::wstring wide(argv[1]);
  const std::string name(wide.begin(), wide.end());  // the tests use ASCII names
  CommonLibInit();
  int code = 0, createdNew = 1;
  {
    ScopedObjectHandle created, opened;
    if (CreateNamedMutex(0, name.c_str(), &createdNew, created.Receive()) == CX_OK)
      code |= createdNew ? 1 : 3;
    if (OpenNamedMutex(name.c_str(), opened.Receive()) == CX_OK) code |= 4;
    std::printf("ready\n");
    std::fflush(stdout);
  }
  CommonLibUninit();
  return code;
}
