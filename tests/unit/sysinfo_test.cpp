// The version-code and language-code tables, and the native stand-in.
#include <gtest/gtest.h>

#include "common/sysinfo.h"

namespace {

OsVersionRecord Record(uint32_t major, uint32_t minor, uint32_t build, uint8_t productType,
                       uint32_t platformId = 2) {
  OsVersionRecord r;
  r.major = major;
  r.minor = minor;
  r.build = build;
  r.productType = productType;
  r.platformId = platformId;
  return r;
}

}  // namespace

TEST(SysInfoTables, OsVersionCodes) {
  struct Case { OsVersionRecord record; int32_t code; };
  const Case cases[] = {
      {Record(4, 0, 1381, 1, 2), 0x104},        // NT 4
      {Record(4, 0, 950, 1, 1), 0x095},         // 95
      {Record(4, 0, 0, 1, 0), -1},              // 4.0 on neither platform
      {Record(4, 10, 1998, 1, 1), 0x098},       // 98
      {Record(5, 0, 2195, 1), 0x120},
      {Record(5, 1, 2600, 1), 0x121},
      {Record(5, 2, 3790, 1), 0x121},           // 64-bit XP: same as 5.1
      {Record(5, 2, 3790, 3), 0x123},           // Server 2003
      {Record(6, 0, 6002, 1), 0x225},           // Vista: the threshold
      {Record(6, 0, 6002, 2), 0x228},
      {Record(6, 1, 7601, 1), 0x229},           // what Wine reports
      {Record(6, 1, 7601, 3), 0x230},
      {Record(6, 2, 9200, 1), 0x408},
      {Record(6, 2, 9200, 3), 0x409},
      {Record(6, 3, 9600, 1), 0x603},
      {Record(6, 3, 9600, 3), 0x604},
      {Record(6, 4, 9841, 1), -1},              // never released
      {Record(7, 0, 0, 1), -1},
      {Record(10, 0, 19045, 1), 0x1000},
      {Record(10, 0, 21995, 1), 0x1000},        // just below the Windows 11 line
      {Record(10, 0, 21996, 1), 0x1100},
      {Record(10, 0, 0x80000001u, 1), 0x1100},  // high bit set: compared unsigned
      {Record(10, 0, 14393, 3), 0x1002},
      {Record(10, 0, 17763, 2), 0x1004},
      {Record(10, 0, 20348, 3), 0x1001},
      {Record(10, 1, 0, 1), -1},
      {Record(11, 0, 0, 1), -1},
      {Record(3, 51, 0, 1), -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OsVersionCodeFromRecord(c.record), c.code)
        << c.record.major << "." << c.record.minor << " build " << c.record.build << " type "
        << int(c.record.productType);
}

TEST(SysInfoTables, LanguageCodes) {
  struct Case { uint16_t langId; uint32_t code; };
  const Case cases[] = {
      {0x0804, CX_LANG_ZH_CN},  // Chinese (PRC)
      {0x0404, CX_LANG_ZH_TW},  // Taiwan
      {0x0C04, CX_LANG_ZH_TW},  // Hong Kong
      {0x1004, CX_LANG_ZH_TW},  // Singapore falls with Taiwan
      {0x1404, CX_LANG_ZH_TW},  // Macao
      {0x1804, CX_LANG_EN_US},  // Chinese, sub-language 0x06
      {0x0004, CX_LANG_EN_US},  // Chinese, neutral
      {0x0409, CX_LANG_EN_US},
      {0x0809, CX_LANG_EN_US},  // English (UK)
      {0x0416, CX_LANG_EN_US},  // Portuguese
      {0x040C, 3},              // French
      {0x0C0C, 3},              // French (Canada): any sub-language
      {0x0419, 4},              // Russian
      {0x0411, 5},              // Japanese
      {0x0421, 6},              // Indonesian
      {0x0407, 7},              // German
      {0x0C01, 8},              // Arabic (Egypt)
      {0x0412, 9},              // Korean
      {0x043F, 10},             // Kazakh
      {0x0000, CX_LANG_EN_US},
      {0xFC04, CX_LANG_EN_US},  // Chinese with the highest sub-language
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageCodeFromLangId(c.langId), c.code) << std::hex << c.langId;
}

TEST(SysInfoHost, StandInAnswersFollowTheSettings) {
  uint32_t code = 99;
  EXPECT_EQ(GetSystemLanguageCode(nullptr), CX_E_INVALID_ARG);
  SetHostSystemForTesting(0x0404, 0);
  ASSERT_EQ(GetSystemLanguageCode(&code), CX_OK);
  EXPECT_EQ(code, CX_LANG_ZH_TW);
  EXPECT_EQ(IsOs64Bit(), 0);
  SetHostSystemForTesting(0x0409, 1);
  EXPECT_EQ(IsOs64Bit(), 1);
  EXPECT_EQ(GetOsVersionCode(), 0x229);
}
