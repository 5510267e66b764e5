// The trusted zone's "require HTTPS" flag around a site mapping, with a
// double for the system's zone managers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/zone_mapping.h"

namespace {
class FakeZones : public ZoneMappingOps {
 public:
  uint32_t flags = 0x47;
  CxResult getResult = CX_OK;
  CxResult mappingResult = CX_OK;
  uint32_t flagsDuringMapping = 0;
  std::vector<std::u16string> calls;

  CxResult GetTrustedZoneFlags(uint32_t* out) override {
    calls.push_back(u"get");
    if (getResult == CX_OK) *out = flags;
    return getResult;
  }
  CxResult SetTrustedZoneFlags(uint32_t f) override {
    calls.push_back(u"set");
    flags = f;
    return CX_OK;
  }
  CxResult SetTrustedMapping(const char16_t* url, int remove) override {
    calls.push_back((remove ? u"del " : u"add ") + std::u16string(url));
    flagsDuringMapping = flags;
    return mappingResult;
  }
};
}  // namespace

TEST(SetTrustedSiteWith, LiftsVerificationForTheMappingAndRestoresIt) {
  for (CxResult mapping : {CX_OK, CxResult{0x80004001}}) {  // success, then a failing mapping
    FakeZones zones;
    zones.mappingResult = mapping;
    EXPECT_EQ(SetTrustedSiteWith(&zones, u"http://a.example", 0), mapping);
    EXPECT_EQ(zones.flagsDuringMapping, 0x43u);
    EXPECT_EQ(zones.flags, 0x47u) << "restored after " << std::hex << mapping;
    EXPECT_EQ(zones.calls,
              (std::vector<std::u16string>{u"get", u"set", u"add http://a.example", u"set"}));
  }
}

TEST(SetTrustedSiteWith, NeverWritesFlagsItNeedNotOrCouldNotRead) {
  FakeZones notRequired;
  notRequired.flags = 0x43;
  EXPECT_EQ(SetTrustedSiteWith(&notRequired, u"http://a.example", 1), CX_OK);
  EXPECT_EQ(notRequired.calls, (std::vector<std::u16string>{u"get", u"del http://a.example"}));

  FakeZones unreadable;
  unreadable.getResult = 0x80004005;
  EXPECT_EQ(SetTrustedSiteWith(&unreadable, u"http://a.example", 0), CX_OK);
  EXPECT_EQ(unreadable.calls, (std::vector<std::u16string>{u"get", u"add http://a.example"}));

  FakeZones untouched;
  EXPECT_EQ(SetTrustedSiteWith(&untouched, u"", 0), CX_E_INVALID_ARG);
  EXPECT_TRUE(untouched.calls.empty());
}

TEST(TrustedSiteAddResult, AnExistingMappingIsSuccess) {
  FakeZones zones;
  zones.mappingResult = CX_HR_FILE_EXISTS;
  EXPECT_EQ(TrustedSiteAddResult(SetTrustedSiteWith(&zones, u"http://a.example", 0)), CX_OK);
  EXPECT_EQ(zones.flags, 0x47u);
  EXPECT_EQ(TrustedSiteAddResult(0x80004001), 0x80004001u);  // other failures pass through
}
