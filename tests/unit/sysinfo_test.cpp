// The version-code and language-code tables.
#include <gtest/gtest.h>

#include "common/sysinfo.h"

TEST(SysInfoTables, OsVersionCodes) {
  struct Case { uint32_t major, minor, build; uint8_t productType; int32_t code; };
  const Case cases[] = {
      {5, 2, 3790, 1, 0x121},           // 64-bit XP: same as 5.1
      {5, 2, 3790, 3, 0x123},           // Server 2003
      {6, 0, 6002, 1, 0x225},           // Vista: the threshold
      {6, 1, 7601, 1, 0x229},           // what Wine reports
      {6, 4, 9841, 1, -1},              // never released
      {7, 0, 0, 1, -1},
      {10, 0, 21995, 1, 0x1000},        // just below the Windows 11 line
      {10, 0, 21996, 1, 0x1100},
      {10, 0, 0x80000001u, 1, 0x1100},  // high bit set: compared unsigned
      {10, 0, 14393, 3, 0x1002},
      {10, 0, 17763, 2, 0x1004},
      {10, 0, 20348, 3, 0x1001},
  };
  for (const auto& c : cases) {
    OsVersionRecord r;
    r.major = c.major;
    r.minor = c.minor;
    r.build = c.build;
    r.productType = c.productType;
    r.platformId = 2;
    EXPECT_EQ(OsVersionCodeFromRecord(r), c.code)
        << c.major << "." << c.minor << " build " << c.build << " type " << int(c.productType);
  }
}

TEST(SysInfoTables, LanguageCodes) {
  struct Case { uint16_t langId; uint32_t code; };
  const Case cases[] = {
      {0x0804, CX_LANG_ZH_CN},  // Chinese (PRC)
      {0x0C04, CX_LANG_ZH_TW},  // Hong Kong
      {0x1004, CX_LANG_ZH_TW},  // Singapore falls with Taiwan
      {0x1804, CX_LANG_EN_US},  // Chinese, sub-language 0x06
      {0x0416, CX_LANG_EN_US},  // Portuguese
      {0x0C0C, 3},              // French (Canada): any sub-language
      {0x043F, 10},             // Kazakh
  };
  for (const auto& c : cases)
    EXPECT_EQ(LanguageCodeFromLangId(c.langId), c.code) << std::hex << c.langId;
}
