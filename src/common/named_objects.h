// Named kernel objects of the library: the object-name rule and the named
// mutex operations behind the installer's single-instance lock.
//
// On Windows Vista and later an object lives in the library's private
// namespace ("<namespace>\Mutex<name>"); before Vista, with the global flag,
// or when the namespace cannot be had, it is named "Global\Mutex<name>".
// Windows only (named_objects_win.cpp). Handles are Windows HANDLEs, typed
// apart from other pointers so that only these functions take them.
#pragma once
#include <cstddef>

#include "common/result_codes.h"
#include "common/scoped_resource.h"

struct CxObject;
using CxObjectHandle = CxObject*;

// prefix + typeSuffix + name into `out` (`size` bytes), cut to fit. The
// prefix is the private namespace's alias when available, else "Global".
// 0, CX_E_INVALID_ARG (null or empty buffer); `out` untouched on failure.
CxResult BuildObjectName(int global, const char* typeSuffix, const char* name, char* out,
                         size_t size);

// Creates (or opens an existing) named mutex, not owned, with the security
// of object_security.h: admin-only when this process is elevated, else open
// to everyone. A null or empty name makes an unnamed mutex. `createdNew`
// (may be null) is 0 when the mutex already existed; such a mutex keeps the
// security its maker gave it. 0, CX_E_INVALID_ARG (null `handle`) or the
// Windows error (ERROR_ACCESS_DENIED for an existing mutex that does not
// admit this process); `handle` untouched on failure.
CxResult CreateNamedMutex(int global, const char* name, int* createdNew, CxObjectHandle* handle);
// Opens an existing named mutex for synchronisation. 0, CX_E_INVALID_ARG
// (null or empty name, null `handle`) or CX_E_OPEN_FAILED (no such object);
// `handle` untouched on failure.
CxResult OpenNamedMutex(int global, const char* name, CxObjectHandle* handle);
// The installer's short forms: global flag 0, created-new not passed on.
CxResult CreateNamedMutex(const char* name, CxObjectHandle* handle);
CxResult OpenNamedMutex(const char* name, CxObjectHandle* handle);

// 0, CX_E_INVALID_ARG (null handle) or the Windows error.
CxResult ReleaseNamedMutex(CxObjectHandle handle);
CxResult CloseObjectHandle(CxObjectHandle handle);

// Owner of a handle from CreateNamedMutex or OpenNamedMutex: closes it with
// CloseObjectHandle.
struct ObjectHandleTraits {
  using Type = CxObjectHandle;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { CloseObjectHandle(h); }
};
using ScopedObjectHandle = ScopedResource<ObjectHandleTraits>;
