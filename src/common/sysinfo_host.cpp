// Native stand-in for the system queries: answers that tests can set, and
// plain fopen for shared opening.
#include <atomic>
#include <cstring>
#include <random>
#include <string>

#include "common/codepage.h"
#include "common/strings.h"
#include "common/sysinfo.h"

namespace {

std::atomic<uint16_t> g_langId{0x0409};
std::atomic<int> g_is64Bit{1};

}  // namespace

void SetHostSystemForTesting(uint16_t langId, int is64Bit) {
  g_langId = langId;
  g_is64Bit = is64Bit ? 1 : 0;
}

void GetOsVersionInfo(OsVersionRecord* record) {
  if (!record) return;
  record->size = sizeof(OsVersionRecord);
  record->major = 6;
  record->minor = 1;
  record->build = 7601;
  record->platformId = 2;
  StrCopyW(record->servicePack, 128, u"Service Pack 1");
  record->servicePackMajor = 1;
  record->productType = 1;
}

int32_t GetOsVersionCode() {
  OsVersionRecord record;
  GetOsVersionInfo(&record);
  return OsVersionCodeFromRecord(record);
}

int IsOs64Bit() { return g_is64Bit.load(); }

void SetFsRedirection(int) {}

CxResult GetSystemLanguageCode(uint32_t* code) {
  if (!code) return CX_E_INVALID_ARG;
  *code = LanguageCodeFromLangId(g_langId.load());
  return CX_OK;
}

void UuidString(char* buffer, uint32_t size) {
  MemFillSecure(buffer, 0, size);
  if (!buffer || size < 37) return;
  std::random_device device;
  std::mt19937_64 engine((static_cast<uint64_t>(device()) << 32) ^ device());
  uint8_t bytes[16];
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(engine());
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  char text[37];
  StrFormatA(text, sizeof text,
             "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", bytes[0],
             bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
             bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
  uint32_t out = size;
  OutputString(text, 36, buffer, &out);
}

CxResult OpenFileSharedA(FILE** out, const char* path, const char* mode) {
  if (!out || !path || !mode) return CX_E_INVALID_ARG;
  FILE* file = std::fopen(path, mode);
  if (!file) return CX_E_OPEN_FAILED;
  *out = file;
  return CX_OK;
}

CxResult OpenFileSharedW(FILE** out, const char16_t* path, const char16_t* mode) {
  if (!out || !path || !mode) return CX_E_INVALID_ARG;
  const std::string narrowPath = Utf16ToUtf8(path);
  const std::string narrowMode = Utf16ToUtf8(mode);
  return OpenFileSharedA(out, narrowPath.c_str(), narrowMode.c_str());
}
