// Corvexa Token Provider: the sample product's COM in-process server. It
// serves one class whose objects only answer IUnknown; what matters to the
// setup is that it registers its class (CLSID key, InprocServer32 with the
// module's path) and removes it again, through regsvr32.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <new>

namespace {

// {37951B6C-C0FC-4627-88DA-E3C476E435DA}
const CLSID kProviderClsid = {
    0x37951b6c, 0xc0fc, 0x4627, {0x88, 0xda, 0xe3, 0xc4, 0x76, 0xe4, 0x35, 0xda}};
constexpr wchar_t kClsidKey[] = L"CLSID\\{37951B6C-C0FC-4627-88DA-E3C476E435DA}";
constexpr wchar_t kClassName[] = L"Corvexa Token Provider";

HMODULE g_module = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;

class Provider : public IUnknown {
 public:
  Provider() { InterlockedIncrement(&g_objects); }
  virtual ~Provider() { InterlockedDecrement(&g_objects); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }

 private:
  LONG refs_ = 1;
};

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  // One static instance: the count only keeps the module loaded.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    Provider* p = new (std::nothrow) Provider();
    if (!p) return E_OUTOFMEMORY;
    const HRESULT hr = p->QueryInterface(iid, out);
    p->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      InterlockedIncrement(&g_locks);
    else
      InterlockedDecrement(&g_locks);
    return S_OK;
  }
};

Factory g_factory;

LONG SetText(HKEY key, const wchar_t* name, const wchar_t* text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t)));
}

LONG CreateKey(HKEY parent, const wchar_t* path, HKEY* out) {
  return RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, out,
                         nullptr);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kProviderClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return (g_objects == 0 && g_locks == 0) ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
  HKEY clsid = nullptr;
  if (CreateKey(HKEY_CLASSES_ROOT, kClsidKey, &clsid) != ERROR_SUCCESS) return SELFREG_E_CLASS;
  LONG r = SetText(clsid, nullptr, kClassName);
  HKEY server = nullptr;
  if (r == ERROR_SUCCESS) r = CreateKey(clsid, L"InprocServer32", &server);
  if (r == ERROR_SUCCESS) {
    r = SetText(server, nullptr, path);
    if (r == ERROR_SUCCESS) r = SetText(server, L"ThreadingModel", L"Both");
    RegCloseKey(server);
  }
  RegCloseKey(clsid);
  return r == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const LONG r = RegDeleteTreeW(HKEY_CLASSES_ROOT, kClsidKey);
  return (r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND) ? S_OK : SELFREG_E_CLASS;
}
