// cx_damage_setup STUB PACKAGE_DIR KIND OUT: writes OUT, a setup program
// from STUB whose compressed package of PACKAGE_DIR is damaged one way
// (KIND: checksum, truncated, size, bomb, table; or lying-size, lying-bomb:
// built to lie, its checksums made to match), for the end-to-end tests that
// run such setups. Exit status 0 when written.
#include <cstdio>
#include <string>

#include "common/file_io.h"
#include "authoring/compressed_package_writer.h"
#include "authoring/setup_image.h"
#include "support/package_damage.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fputs("usage: cx_damage_setup STUB PACKAGE_DIR KIND OUT\n", stderr);
    return 2;
  }
  const std::wstring kind = argv[3];
  const struct { const wchar_t* name; PackageDamage damage; bool reseal; } kinds[] = {
      {L"checksum", PackageDamage::kChecksum, false}, {L"truncated", PackageDamage::kTruncatedFrame, false},
      {L"size", PackageDamage::kSizeMismatch, false}, {L"bomb", PackageDamage::kBomb, false},
      {L"table", PackageDamage::kTable, false},       {L"lying-size", PackageDamage::kSizeMismatch, true},
      {L"lying-bomb", PackageDamage::kBomb, true}};
  const PackageDamage* damage = nullptr;
  bool reseal = false;
  for (const auto& k : kinds)
    if (kind == k.name) {
      damage = &k.damage;
      reseal = k.reseal;
    }
  if (!damage) return 2;
  auto path = [](const wchar_t* p) { return std::u16string(reinterpret_cast<const char16_t*>(p)); };

  std::string stub, package, damaged, image, error;
  CompressOptions fast;
  fast.level = 3;
  if (ReadWholeFile(path(argv[1]).c_str(), &stub) != CX_OK ||
      PackFolderCompressed(path(argv[2]), 0, fast, &package, &error) != CX_OK ||
      DamageCompressedPackage(package, *damage, &damaged, reseal) != CX_OK) {
    std::fprintf(stderr, "cx_damage_setup: %s\n", error.c_str());
    return 1;
  }
  SetupVersionTexts texts{u"Corvexa Compressed", u"KOVA", u"1.0.0.1"};
  if (BuildSetupImage(ByteSpan(stub), ByteSpan(damaged), texts, &image, &error,
                      kSetupCompressedPackageResourceType) != CX_OK ||
      WriteWholeFile(path(argv[4]).c_str(), image.data(), image.size()) != CX_OK) {
    std::fprintf(stderr, "cx_damage_setup: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
