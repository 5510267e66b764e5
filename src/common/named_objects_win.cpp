// Object names and named mutexes on Windows.
#include <windows.h>

#include <cstring>

#include "common/named_objects.h"
#include "common/object_security.h"
#include "common/shared_block.h"
#include "common/strings.h"
#include "common/sysinfo.h"

namespace {

CxObjectHandle AsObjectHandle(HANDLE h) { return static_cast<CxObjectHandle>(h); }

CxResult LastErrorOr(CxResult fallback) {
  const DWORD error = ::GetLastError();
  return error ? error : fallback;
}

// The mutex object name for `name`: empty for an unnamed mutex.
void MutexObjectName(int global, const char* name, char (&out)[kObjectNameSize]) {
  std::memset(out, 0, sizeof out);
  if (name && name[0]) BuildObjectName(global, kMutexTypeSuffix, name, out, sizeof out);
}

}  // namespace

CxResult BuildObjectName(int global, const char* typeSuffix, const char* name, char* out,
                         size_t size) {
  if (!out || size == 0) return CX_E_INVALID_ARG;
  char prefix[kSharedBlockTextSize] = {};
  StrCopyA(prefix, sizeof prefix, kGlobalObjectPrefix);
  if (!global && GetOsVersionCode() >= CX_OS_VISTA) {
    // Without the private namespace (not attachable, or the system lacks
    // it) the name stays in the global namespace rather than becoming
    // empty: an empty name would make the single-instance mutex unnamed and
    // let a second setup run unnoticed.
    SharedBlockData block;
    if (AttachSharedBlock(&block) == CX_OK && block.privateNamespace != 0)
      StrCopyA(prefix, sizeof prefix, block.namespaceName);
  }
  JoinObjectName(prefix, typeSuffix, name, out, size);
  return CX_OK;
}

CxResult CreateNamedMutex(int global, const char* name, int* createdNew, CxObjectHandle* handle) {
  if (!handle) return CX_E_INVALID_ARG;
  const bool elevated = ProcessIsElevated();
  NamedObjectSecurity security;
  const CxResult built = security.Build(elevated);
  // Elevated, a mutex is never made with the default access instead.
  if (built != CX_OK && elevated) return built;
  char objectName[kObjectNameSize];
  MutexObjectName(global, name, objectName);
  HANDLE mutex =
      ::CreateMutexA(security.Attributes(), FALSE, objectName[0] ? objectName : nullptr);
  const DWORD error = ::GetLastError();
  if (!mutex) return error ? error : CX_E_FAIL;
  const bool existed = error == ERROR_ALREADY_EXISTS;
  if (createdNew) *createdNew = existed ? 0 : 1;
  if (!existed) security.Finish(mutex);  // someone else's object keeps its own security
  *handle = AsObjectHandle(mutex);
  return CX_OK;
}

CxResult OpenNamedMutex(int global, const char* name, CxObjectHandle* handle) {
  if (!name || !name[0] || !handle) return CX_E_INVALID_ARG;
  char objectName[kObjectNameSize];
  MutexObjectName(global, name, objectName);
  HANDLE mutex = ::OpenMutexA(SYNCHRONIZE, FALSE, objectName);
  if (!mutex) return CX_E_OPEN_FAILED;
  *handle = AsObjectHandle(mutex);
  return CX_OK;
}

CxResult CreateNamedMutex(const char* name, CxObjectHandle* handle) {
  return CreateNamedMutex(0, name, nullptr, handle);
}

CxResult OpenNamedMutex(const char* name, CxObjectHandle* handle) {
  return OpenNamedMutex(0, name, handle);
}

CxResult ReleaseNamedMutex(CxObjectHandle handle) {
  if (!handle) return CX_E_INVALID_ARG;
  return ::ReleaseMutex(handle) ? CX_OK : LastErrorOr(CX_E_FAIL);
}

CxResult CloseObjectHandle(CxObjectHandle handle) {
  if (!handle) return CX_E_INVALID_ARG;
  return ::CloseHandle(handle) ? CX_OK : LastErrorOr(CX_E_FAIL);
}
