// Attaching to and detaching from the per-process shared block, and the
// private namespace it keeps open.
#include <windows.h>

#include <cstring>

#include "common/object_security.h"
#include "common/shared_block.h"
#include "common/strings.h"
#include "common/win_handles.h"

namespace {

using CreateBoundaryDescriptorFn = HANDLE(WINAPI*)(LPCSTR, ULONG);
using DeleteBoundaryDescriptorFn = VOID(WINAPI*)(HANDLE);
using AddSidToBoundaryDescriptorFn = BOOL(WINAPI*)(HANDLE*, PSID);
using CreatePrivateNamespaceFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCSTR);
using OpenPrivateNamespaceFn = HANDLE(WINAPI*)(LPVOID, LPCSTR);
using ClosePrivateNamespaceFn = BOOLEAN(WINAPI*)(HANDLE, ULONG);

// The namespace entry points of one module. Complete only when all six were
// found: some systems export a subset, or a stub that ends the process when
// called, so none is called unless every one is present.
struct NamespaceApi {
  CreateBoundaryDescriptorFn createBoundary = nullptr;
  DeleteBoundaryDescriptorFn deleteBoundary = nullptr;
  AddSidToBoundaryDescriptorFn addSid = nullptr;
  CreatePrivateNamespaceFn createNamespace = nullptr;
  OpenPrivateNamespaceFn openNamespace = nullptr;
  ClosePrivateNamespaceFn closeNamespace = nullptr;

  explicit NamespaceApi(HMODULE module) {
    if (!module) return;
    createBoundary = Get<CreateBoundaryDescriptorFn>(module, "CreateBoundaryDescriptorA");
    deleteBoundary = Get<DeleteBoundaryDescriptorFn>(module, "DeleteBoundaryDescriptor");
    addSid = Get<AddSidToBoundaryDescriptorFn>(module, "AddSIDToBoundaryDescriptor");
    createNamespace = Get<CreatePrivateNamespaceFn>(module, "CreatePrivateNamespaceA");
    openNamespace = Get<OpenPrivateNamespaceFn>(module, "OpenPrivateNamespaceA");
    closeNamespace = Get<ClosePrivateNamespaceFn>(module, "ClosePrivateNamespace");
  }
  bool Complete() const {
    return createBoundary && deleteBoundary && addSid && createNamespace && openNamespace &&
           closeNamespace;
  }

 private:
  template <typename F>
  static F Get(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
  }
};

CxResult LastErrorOr(CxResult fallback) {
  const DWORD error = ::GetLastError();
  return error ? error : fallback;
}

uint32_t HandleBits(HANDLE handle) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}
HANDLE BitsHandle(uint32_t bits) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(bits)); }

// Holds the named mutex that guards the block for the duration of a call.
class BlockLock {
 public:
  explicit BlockLock(HANDLE mutex) : mutex_(mutex) {
    locked_ = ::WaitForSingleObject(mutex_, INFINITE) != WAIT_FAILED;
  }
  ~BlockLock() {
    if (locked_) ::ReleaseMutex(mutex_);
  }
  BlockLock(const BlockLock&) = delete;
  BlockLock& operator=(const BlockLock&) = delete;

 private:
  HANDLE mutex_;
  bool locked_ = false;
};

// Creates or opens the private namespace and records its handles in the block.
CxResult CreateBlockNamespace(SharedBlockData* block) {
  ScopedLocalMem packages;
  const bool havePackages = BuildAppPackagesSid(&packages) == CX_OK;
  ScopedSid everyone;
  CxResult result = BuildEveryoneSid(&everyone);
  if (result != CX_OK) return result;

  if (block->boundaryDescriptor != 0 && block->privateNamespace != 0) return CX_E_FAIL;

  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  block->kernel32Module = HandleBits(kernel32);
  const NamespaceApi api(kernel32);
  if (!api.Complete()) return ERROR_PROC_NOT_FOUND;

  HANDLE boundary = api.createBoundary(block->boundaryName, 0);
  if (!boundary) return LastErrorOr(CX_E_FAIL);
  // The boundary is deleted on every failure below.
  auto fail = [&](CxResult error) {
    api.deleteBoundary(boundary);
    block->boundaryDescriptor = 0;
    return error;
  };
  if (!api.addSid(&boundary, everyone.Get())) return fail(LastErrorOr(CX_E_FAIL));
  if (havePackages && !api.addSid(&boundary, packages.Get())) return fail(LastErrorOr(CX_E_FAIL));

  block->boundaryDescriptor = HandleBits(boundary);
  HANDLE space = api.openNamespace(boundary, block->namespaceName);
  if (space) {
    block->privateNamespace = HandleBits(space);
    return CX_OK;
  }
  OpenSecurityDescriptor security;
  result = BuildOpenSecurityDescriptor(&security);
  if (result != CX_OK) return fail(result);
  space = api.createNamespace(security.Attributes(), boundary, block->namespaceName);
  if (!space) return fail(LastErrorOr(CX_E_FAIL));
  block->privateNamespace = HandleBits(space);
  SetLowIntegrityLabel(space);
  return CX_OK;
}

}  // namespace

CxResult AttachSharedBlock(SharedBlockData* copy) {
  char mappingName[kSharedBlockNameSize];
  char mutexName[kSharedBlockNameSize];
  FormatSharedBlockNames(::GetCurrentProcessId(), mappingName, mutexName);

  // The first attach of the process creates the mutex and the mapping and
  // keeps their handles open for the life of the process: that keeps both
  // alive. Handles merely opened here are closed again.
  ScopedHandle openedMutex(::OpenMutexA(SYNCHRONIZE, FALSE, mutexName));
  HANDLE mutex = openedMutex.Get();
  if (!mutex) {
    mutex = ::CreateMutexA(nullptr, FALSE, mutexName);
    if (!mutex) return LastErrorOr(CX_E_FAIL);
  }
  BlockLock lock(mutex);

  ScopedHandle openedMapping(::OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, mappingName));
  HANDLE mapping = openedMapping.Get();
  if (!mapping) {
    mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                   kSharedBlockMappingSize, mappingName);
    if (!mapping) return LastErrorOr(CX_E_FAIL);
    SetLowIntegrityLabel(mapping);
  }
  ScopedMappedView view(::MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0,
                                        kSharedBlockMappingSize));
  if (!view) return LastErrorOr(CX_E_FAIL);
  auto* block = static_cast<SharedBlockData*>(view.Get());

  if (block->privateNamespace == 0) {
    StrCopyA(block->boundaryName, kSharedBlockTextSize, kBoundaryName);
    StrCopyA(block->namespaceName, kSharedBlockTextSize, kNamespaceName);
    const CxResult result = CreateBlockNamespace(block);
    if (result != CX_OK) return result;
    block->attachCount = 1;
  } else {
    ++block->attachCount;
  }
  if (copy) std::memcpy(copy, block, sizeof(SharedBlockData));
  return CX_OK;
}

CxResult DetachSharedBlock() {
  char mappingName[kSharedBlockNameSize];
  char mutexName[kSharedBlockNameSize];
  FormatSharedBlockNames(::GetCurrentProcessId(), mappingName, mutexName);

  ScopedHandle mutex(::OpenMutexA(SYNCHRONIZE, FALSE, mutexName));
  if (!mutex) return LastErrorOr(CX_E_FAIL);
  BlockLock lock(mutex.Get());

  ScopedHandle mapping(::OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, mappingName));
  if (!mapping) return CX_OK;
  ScopedMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0,
                                        kSharedBlockMappingSize));
  if (!view) return LastErrorOr(CX_E_FAIL);
  auto* block = static_cast<SharedBlockData*>(view.Get());

  const NamespaceApi api(reinterpret_cast<HMODULE>(BitsHandle(block->kernel32Module)));
  if (api.Complete() && block->attachCount > 0) {
    if (--block->attachCount == 0) {
      if (block->privateNamespace) api.closeNamespace(BitsHandle(block->privateNamespace), 0);
      if (block->boundaryDescriptor) api.deleteBoundary(BitsHandle(block->boundaryDescriptor));
      block->privateNamespace = 0;
      block->boundaryDescriptor = 0;
    }
  }
  return CX_OK;
}
