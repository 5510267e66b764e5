// Trusted sites against Wine's URL zone managers. Wine does not implement
// SetZoneMapping; what matters here is that an add and a delete run end to
// end, report what the system answered, and leave the trusted zone's flags
// as they were.
#include <windows.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "common/result_codes.h"
#include "common/win_handles.h"
#include "platform/zone_mapping.h"

namespace {
bool TrustedZoneFlags(DWORD* flags) {
  ScopedComInit com;
  ScopedComPtr<IInternetZoneManager> zones;
  if (FAILED(CoCreateInstance(CLSID_InternetZoneManager, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IInternetZoneManager, reinterpret_cast<void**>(zones.Receive()))))
    return false;
  ZONEATTRIBUTES a = {};
  a.cbSize = sizeof(a);
  if (FAILED(zones.Get()->GetZoneAttributes(kTrustedZone, &a))) return false;
  *flags = a.dwFlags;
  return true;
}

TEST(SetTrustedSite, AddAndDeleteRunThroughAndKeepTheZoneFlags) {
  DWORD before = 0, after = 0;
  ASSERT_TRUE(TrustedZoneFlags(&before));
  const CxResult added = SetTrustedSite(u"http://cxtest.example", 0);
  const CxResult removed = SetTrustedSite(u"http://cxtest.example", 1);
  std::printf("system answered: add 0x%08X, delete 0x%08X\n", added, removed);
  ASSERT_TRUE(TrustedZoneFlags(&after));
  EXPECT_EQ(after, before);
  // A real answer from the security manager: success, or a COM failure
  // (E_NOTIMPL under Wine), never one of the program's own codes.
  for (CxResult r : {added, removed})
    EXPECT_TRUE(r == CX_OK || (r >> 16) == 0x8000 || (r >> 16) == 0x8007) << std::hex << r;
  EXPECT_EQ(SetTrustedSite(u"", 0), CX_E_INVALID_ARG);
}
}  // namespace
