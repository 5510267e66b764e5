// Owners for Windows resources: kernel handles, registry keys, modules,
// find handles, GDI objects and device contexts, COM pointers and memory
// blocks. Each is the one
// move-only ScopedResource template with its own traits.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <wincrypt.h>

#include "common/crypt32_api.h"
#include "common/scoped_resource.h"

struct KernelHandleTraits {  // processes, threads, mutexes, mappings (null = none)
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::CloseHandle(h); }
};
using ScopedHandle = ScopedResource<KernelHandleTraits>;

struct FileHandleTraits {  // CreateFile results (INVALID_HANDLE_VALUE = none)
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
using ScopedFileHandle = ScopedResource<FileHandleTraits>;

struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};
using ScopedFindHandle = ScopedResource<FindHandleTraits>;

struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};
using ScopedRegKey = ScopedResource<RegKeyTraits>;

struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::FreeLibrary(h); }
};
using ScopedModule = ScopedResource<ModuleTraits>;

struct LocalMemTraits {
  using Type = HLOCAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::LocalFree(h); }
};
using ScopedLocalMem = ScopedResource<LocalMemTraits>;

template <typename T>
struct GdiObjectTraits {
  using Type = T;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};
using ScopedBitmap = ScopedResource<GdiObjectTraits<HBITMAP>>;
using ScopedFont = ScopedResource<GdiObjectTraits<HFONT>>;
using ScopedBrush = ScopedResource<GdiObjectTraits<HBRUSH>>;

// A window's device context from GetDC: released to the window it came from.
struct WindowDc {
  HWND window = nullptr;
  HDC dc = nullptr;  // null = none
  bool operator==(const WindowDc& other) const { return dc == other.dc; }
  bool operator!=(const WindowDc& other) const { return dc != other.dc; }
};
struct WindowDcTraits {
  using Type = WindowDc;
  static Type Invalid() { return {}; }
  static void Close(Type h) { ::ReleaseDC(h.window, h.dc); }
};
using ScopedWindowDc = ScopedResource<WindowDcTraits>;

struct MemoryDcTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DeleteDC(h); }
};
using ScopedMemoryDc = ScopedResource<MemoryDcTraits>;

struct IconTraits {
  using Type = HICON;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DestroyIcon(h); }
};
using ScopedIcon = ScopedResource<IconTraits>;

template <typename I>
struct ComPtrTraits {
  using Type = I*;
  static Type Invalid() { return nullptr; }
  static void Close(Type p) { p->Release(); }
};
template <typename I>
using ScopedComPtr = ScopedResource<ComPtrTraits<I>>;

struct CoTaskTextTraits {  // texts a COM method allocated with CoTaskMemAlloc
  using Type = wchar_t*;
  static Type Invalid() { return nullptr; }
  static void Close(Type text) { ::CoTaskMemFree(text); }
};
using ScopedCoTaskText = ScopedResource<CoTaskTextTraits>;

// COM initialised for the lifetime of the object on the calling thread.
class ScopedComInit {
 public:
  ScopedComInit() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ScopedComInit() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ScopedComInit(const ScopedComInit&) = delete;
  ScopedComInit& operator=(const ScopedComInit&) = delete;
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

// Views a portable UTF-16 text as the Windows wide type, and back.
inline const wchar_t* AsWide(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline wchar_t* AsWide(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }
inline const char16_t* AsU16(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }
inline char16_t* AsU16(wchar_t* s) { return reinterpret_cast<char16_t*>(s); }

struct MappedViewTraits {  // MapViewOfFile results
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static void Close(Type view) { ::UnmapViewOfFile(view); }
};
using ScopedMappedView = ScopedResource<MappedViewTraits>;

struct SidTraits {  // AllocateAndInitializeSid results
  using Type = PSID;
  static Type Invalid() { return nullptr; }
  static void Close(Type sid) { ::FreeSid(sid); }
};
using ScopedSid = ScopedResource<SidTraits>;

struct ProcessHeapTraits {  // blocks from HeapAlloc(GetProcessHeap(), ...)
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static void Close(Type block) { ::HeapFree(::GetProcessHeap(), 0, block); }
};
using ScopedHeapBlock = ScopedResource<ProcessHeapTraits>;

struct MenuTraits {  // LoadMenu / CreateMenu results (not menus owned by a window)
  using Type = HMENU;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DestroyMenu(h); }
};
using ScopedMenu = ScopedResource<MenuTraits>;

// A store or a context exists only when crypt32.dll was loaded, so its
// table is there to close them.
struct CertStoreTraits {  // CertOpenStore results, closed forcibly
  using Type = HCERTSTORE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { Crypt32()->CertCloseStore(h, CERT_CLOSE_STORE_FORCE_FLAG); }
};
using ScopedCertStore = ScopedResource<CertStoreTraits>;

struct CertContextTraits {  // certificate contexts we own a reference to
  using Type = PCCERT_CONTEXT;
  static Type Invalid() { return nullptr; }
  static void Close(Type c) { Crypt32()->CertFreeCertificateContext(c); }
};
using ScopedCertContext = ScopedResource<CertContextTraits>;
