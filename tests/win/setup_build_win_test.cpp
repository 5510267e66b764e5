// The sample setup as `cxpack build` wrote it, read by Windows itself: the
// version record through the version API, the package and the program's
// own resources through the resource loader.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/file_io.h"
#include "common/version_api.h"
#include "common/win_handles.h"
#include "platform/file_system.h"
#include "win_test_support.h"

namespace {

std::wstring VersionText(const std::vector<uint8_t>& block, const wchar_t* key) {
  void* value = nullptr;
  UINT length = 0;
  std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + key;
  if (!Version()->VerQueryValueW(block.data(), query.c_str(), &value, &length) || !value) return L"<missing>";
  return static_cast<const wchar_t*>(value);
}

TEST(SetupBuild, VersionRecordAndResourcesReadBackThroughWindows) {
  const std::wstring setup = WinePath(CX_SAMPLE_SETUP);
  DWORD ignored = 0;
  const DWORD size = Version()->GetFileVersionInfoSizeW(setup.c_str(), &ignored);
  ASSERT_NE(size, 0u) << GetLastError();
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(Version()->GetFileVersionInfoW(setup.c_str(), 0, size, block.data()));
  // The sample's SetupInfo: Corvexa by KOVA, version 1.0.0.1.
  EXPECT_EQ(VersionText(block, L"ProductName"), L"Corvexa");
  EXPECT_EQ(VersionText(block, L"CompanyName"), L"KOVA");
  EXPECT_EQ(VersionText(block, L"ProductVersion"), L"1.0.0.1");
  EXPECT_EQ(VersionText(block, L"FileDescription"), L"Corvexa Setup");
  EXPECT_EQ(VersionText(block, L"FileVersion"), L"1.0.0.0");  // the program's own
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(Version()->VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
  // The file copy's version check reads the same record.
  uint32_t parts[4] = {};
  ASSERT_EQ(GetFileVersionNumbers(reinterpret_cast<const char16_t*>(setup.c_str()), parts), CX_OK);
  EXPECT_EQ(parts[0], 1u);
  EXPECT_EQ(parts[3], 0u);

  // The package and the program's own resources load.
  ScopedModule owner(LoadLibraryExW(setup.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(owner) << GetLastError();
  HMODULE module = owner.Get();
  HRSRC package = FindResourceW(module, MAKEINTRESOURCEW(170), MAKEINTRESOURCEW(256));
  ASSERT_NE(package, nullptr);
  const DWORD packageSize = SizeofResource(module, package);
  const void* bytes = LockResource(LoadResource(module, package));
  std::string archive;
  ASSERT_EQ(ReadWholeFile(reinterpret_cast<const char16_t*>(WinePath(CX_SAMPLE_ARCHIVE).c_str()), &archive),
            CX_OK);
  ASSERT_EQ(packageSize, archive.size());
  EXPECT_EQ(std::string(static_cast<const char*>(bytes), packageSize), archive);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(102), RT_DIALOG), nullptr);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(128), RT_GROUP_ICON), nullptr);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
}

}  // namespace
