// Attaching to and detaching from the per-process shared block, and the
// private namespace it records.
//
// Anyone in the session can make a named object before this process does,
// so nothing is ever read back from the block: the namespace's handles, the
// attach count and the module they came from are this process's own state,
// and the block is only a record written out for others. A block that
// already exists when the process first publishes it was made by someone
// else and is left alone. The same goes for a namespace that exists already
// and does not belong to Administrators while the process is elevated.
#include <windows.h>

#include <cstring>
#include <mutex>

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

// The namespace entry points of kernel32. Complete only when all six were
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

// What the library knows of itself. The handles are closed only through
// this record, never through values found in memory others can write.
struct LibraryState {
  std::mutex lock;
  int32_t attachCount = 0;
  HANDLE boundary = nullptr;
  HANDLE space = nullptr;
  SharedBlockData data = {};
  bool publishTried = false;
  ScopedHandle mapping;  // the published block; none when refused
  ScopedMappedView view;
};

LibraryState& State() {
  static LibraryState state;
  return state;
}

// The SID the boundary admits: Administrators when elevated (so no
// unelevated process can open the namespace), else Everyone.
CxResult BuildBoundarySid(bool elevated, ScopedSid* out) {
  if (!elevated) return BuildEveryoneSid(out);
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &sid))
    return LastErrorOr(CX_E_FAIL);
  out->Reset(sid);
  return CX_OK;
}

// Creates the private namespace (or opens one that an elevated process of
// the same boundary made) into the state.
CxResult CreateLibraryNamespace(LibraryState* state) {
  const NamespaceApi api(::GetModuleHandleW(L"kernel32.dll"));
  if (!api.Complete()) return ERROR_PROC_NOT_FOUND;
  const bool elevated = ProcessIsElevated();
  ScopedSid member;
  CxResult result = BuildBoundarySid(elevated, &member);
  if (result != CX_OK) return result;
  ScopedLocalMem packages;
  const bool havePackages = !elevated && BuildAppPackagesSid(&packages) == CX_OK;

  HANDLE boundary = api.createBoundary(kBoundaryName, 0);
  if (!boundary) return LastErrorOr(CX_E_FAIL);
  auto fail = [&](CxResult error) {
    api.deleteBoundary(boundary);
    return error;
  };
  if (!api.addSid(&boundary, member.Get())) return fail(LastErrorOr(CX_E_FAIL));
  if (havePackages && !api.addSid(&boundary, packages.Get())) return fail(LastErrorOr(CX_E_FAIL));

  NamedObjectSecurity security;
  result = security.Build(elevated);
  if (result != CX_OK) return fail(result);
  HANDLE space = api.createNamespace(security.Attributes(), boundary, kNamespaceName);
  if (space) {
    security.Finish(space);
  } else {
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return fail(LastErrorOr(CX_E_FAIL));
    space = api.openNamespace(boundary, kNamespaceName);
    if (!space) return fail(LastErrorOr(CX_E_FAIL));
    if (elevated && !MadeByAdministrators(space)) {
      api.closeNamespace(space, 0);
      return fail(ERROR_ALREADY_EXISTS);
    }
  }
  state->boundary = boundary;
  state->space = space;
  return CX_OK;
}

void CloseLibraryNamespace(LibraryState* state) {
  const NamespaceApi api(::GetModuleHandleW(L"kernel32.dll"));
  if (api.Complete()) {
    if (state->space) api.closeNamespace(state->space, 0);
    if (state->boundary) api.deleteBoundary(state->boundary);
  }
  state->space = nullptr;
  state->boundary = nullptr;
}

// Writes the record out under the process's block name. A mapping of that
// name that exists already is someone else's: it is neither read nor
// written, and the library goes on without publishing.
void PublishBlock(LibraryState* state) {
  if (state->view) {
    std::memcpy(state->view.Get(), &state->data, sizeof state->data);
    return;
  }
  if (state->publishTried) return;
  state->publishTried = true;
  char mappingName[kSharedBlockNameSize];
  FormatSharedBlockName(::GetCurrentProcessId(), mappingName);
  NamedObjectSecurity security;
  if (security.Build(ProcessIsElevated()) != CX_OK) return;
  ScopedHandle mapping(::CreateFileMappingA(INVALID_HANDLE_VALUE, security.Attributes(),
                                            PAGE_READWRITE, 0, kSharedBlockMappingSize,
                                            mappingName));
  if (!mapping || ::GetLastError() == ERROR_ALREADY_EXISTS) return;
  security.Finish(mapping.Get());
  ScopedMappedView view(
      ::MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, kSharedBlockMappingSize));
  if (!view) return;
  std::memcpy(view.Get(), &state->data, sizeof state->data);
  state->mapping = std::move(mapping);
  state->view = std::move(view);
}

}  // namespace

CxResult AttachSharedBlock(SharedBlockData* copy) {
  LibraryState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  if (state.attachCount == 0) {
    state.data = {};
    StrCopyA(state.data.boundaryName, kSharedBlockTextSize, kBoundaryName);
    StrCopyA(state.data.namespaceName, kSharedBlockTextSize, kNamespaceName);
    state.data.kernel32Module = HandleBits(::GetModuleHandleW(L"kernel32.dll"));
    PublishBlock(&state);  // the names, even when the namespace cannot be had
    const CxResult result = CreateLibraryNamespace(&state);
    if (result != CX_OK) return result;
    state.data.boundaryDescriptor = HandleBits(state.boundary);
    state.data.privateNamespace = HandleBits(state.space);
  }
  ++state.attachCount;
  state.data.attachCount = state.attachCount;
  PublishBlock(&state);
  if (copy) *copy = state.data;
  return CX_OK;
}

CxResult DetachSharedBlock() {
  LibraryState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  if (state.attachCount == 0) return CX_OK;
  state.data.attachCount = --state.attachCount;
  if (state.attachCount == 0) {
    CloseLibraryNamespace(&state);
    state.data.boundaryDescriptor = 0;
    state.data.privateNamespace = 0;
  }
  PublishBlock(&state);
  return CX_OK;
}
