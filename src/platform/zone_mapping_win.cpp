// The trusted zone through IInternetSecurityManager and IInternetZoneManager.
#include <windows.h>
#include <urlmon.h>

#include "common/win_handles.h"
#include "platform/zone_mapping.h"

namespace {
class SystemZoneManagers : public ZoneMappingOps {
 public:
  HRESULT Create() {
    HRESULT hr = ::CoCreateInstance(CLSID_InternetSecurityManager, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IInternetSecurityManager,
                                    reinterpret_cast<void**>(security_.Receive()));
    if (FAILED(hr)) return hr;
    return ::CoCreateInstance(CLSID_InternetZoneManager, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IInternetZoneManager, reinterpret_cast<void**>(zones_.Receive()));
  }

  CxResult GetTrustedZoneFlags(uint32_t* flags) override {
    ZONEATTRIBUTES a = {};
    a.cbSize = sizeof(a);
    HRESULT hr = zones_.Get()->GetZoneAttributes(kTrustedZone, &a);
    if (FAILED(hr)) return static_cast<CxResult>(hr);
    attributes_ = a;  // written back whole, with only the flags changed
    haveAttributes_ = true;
    *flags = a.dwFlags;
    return CX_OK;
  }

  CxResult SetTrustedZoneFlags(uint32_t flags) override {
    if (!haveAttributes_) return CX_E_FAIL;
    ZONEATTRIBUTES a = attributes_;
    a.dwFlags = flags;
    return static_cast<CxResult>(zones_.Get()->SetZoneAttributes(kTrustedZone, &a));
  }

  CxResult SetTrustedMapping(const char16_t* url, int remove) override {
    return static_cast<CxResult>(security_.Get()->SetZoneMapping(kTrustedZone, AsWide(url),
                                                                 remove ? SZM_DELETE : SZM_CREATE));
  }

 private:
  ScopedComPtr<IInternetSecurityManager> security_;
  ScopedComPtr<IInternetZoneManager> zones_;
  ZONEATTRIBUTES attributes_ = {};
  bool haveAttributes_ = false;
};
}  // namespace

CxResult SetTrustedSite(const char16_t* url, int remove) {
  if (!url || !*url) return CX_E_INVALID_ARG;
  ScopedComInit com;
  SystemZoneManagers managers;  // released before COM is
  HRESULT hr = managers.Create();
  if (FAILED(hr)) return static_cast<CxResult>(hr);
  return SetTrustedSiteWith(&managers, url, remove);
}
