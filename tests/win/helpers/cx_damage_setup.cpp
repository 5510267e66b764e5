// cx_damage_setup STUB PACKAGE_DIR KIND OUT: writes OUT, a setup program
// from STUB whose compressed package of PACKAGE_DIR is damaged one way
// (KIND: checksum, truncated, size, bomb, table), for the end-to-end tests
// that run such setups. Exit status 0 when written.
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
  const struct { const wchar_t* name; PackageDamage damage; } kinds[] = {
      {L"checksum", PackageDamage::kChecksum}, {L"truncated", PackageDamage::kTruncatedFrame},
      {L"size", PackageDamage::kSizeMismatch}, {L"bomb", PackageDamage::kBomb},
      {L"table", PackageDamage::kTable}};
  const PackageDamage* damage = nullptr;
  for (const auto& k : kinds)
    if (kind == k.name) damage = &k.damage;
  if (!damage) return 2;
  auto path = [](const wchar_t* p) { return std::u16string(reinterpret_cast<const char16_t*>(p)); };

  std::string stub, package, damaged, image, error;
  CompressOptions fast;
  fast.level = 3;
  if (ReadWholeFile(path(argv[1]).c_str(), &stub) != CX_OK ||
      PackFolderCompressed(path(argv[2]), 0, fast, &package, &error) != CX_OK ||
      DamageCompressedPackage(package, *damage, &damaged) != CX_OK) {
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
