// The version-code and language-code tables, kept apart from the Win32
// queries so both builds can test them.
#include "common/sysinfo.h"

namespace {

int32_t ByProductType(const OsVersionRecord& record, int32_t workstation, int32_t server) {
  return record.productType == 1 ? workstation : server;
}

}  // namespace

int32_t OsVersionCodeFromRecord(const OsVersionRecord& record) {
  switch (record.major) {
    case 4:
      if (record.minor == 0) {
        if (record.platformId == 2) return 0x104;
        if (record.platformId == 1) return 0x095;
        return CX_OS_UNKNOWN;
      }
      if (record.minor == 10) return 0x098;
      return CX_OS_UNKNOWN;
    case 5:
      if (record.minor == 0) return 0x120;
      if (record.minor == 1) return 0x121;
      if (record.minor == 2) return ByProductType(record, 0x121, 0x123);
      return CX_OS_UNKNOWN;
    case 6:
      switch (record.minor) {
        case 0: return ByProductType(record, 0x225, 0x228);
        case 1: return ByProductType(record, 0x229, 0x230);
        case 2: return ByProductType(record, 0x408, 0x409);
        case 3: return ByProductType(record, 0x603, 0x604);
        default: return CX_OS_UNKNOWN;
      }
    case 10:
      if (record.minor != 0) return CX_OS_UNKNOWN;
      // The build is compared unsigned: a build with the high bit set is new.
      if (record.productType == 1) return record.build >= 21996u ? 0x1100 : 0x1000;
      if (record.build == 14393u) return 0x1002;
      if (record.build == 17763u) return 0x1004;
      return 0x1001;
    default:
      return CX_OS_UNKNOWN;
  }
}

uint32_t LanguageCodeFromLangId(uint16_t langId) {
  const uint16_t primary = langId & 0x3FF;
  const uint16_t sub = langId >> 10;
  switch (primary) {
    case 0x04:
      if (sub == 0x02) return CX_LANG_ZH_CN;
      if (sub == 0x01 || sub == 0x03 || sub == 0x04 || sub == 0x05) return CX_LANG_ZH_TW;
      return CX_LANG_EN_US;
    case 0x0C: return 3;
    case 0x19: return 4;
    case 0x11: return 5;
    case 0x21: return 6;
    case 0x07: return 7;
    case 0x01: return 8;
    case 0x12: return 9;
    case 0x3F: return 10;
    default: return CX_LANG_EN_US;
  }
}
