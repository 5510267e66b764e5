// What the built setup program declares about itself, read back from its
// resources: the manifest (DPI awareness, supported Windows versions, common
// controls 6, administrator) and the dialog template's font character set.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "app/resource_ids.h"
#include "win_test_support.h"

namespace {
class ResourceModule {
 public:
  ResourceModule()
      : module_(LoadLibraryExW(TestHelperPath(L"cx_dialog_setup.exe").c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  std::string Bytes(LPCWSTR type, LPCWSTR name) const {
    const HMODULE module = module_.Get();
    HRSRC found = module ? FindResourceW(module, name, type) : nullptr;
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module, found)) : std::string();
  }

 private:
  ScopedModule module_;
};
}  // namespace

TEST(ProgramResources, ManifestDeclaresDpiAwarenessAndSupportedWindows) {
  const std::string manifest = ResourceModule().Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
  ASSERT_FALSE(manifest.empty());
  const char* const wanted[] = {
      "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2",
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm<",
      "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
      "level=\"requireAdministrator\"",
  };
  for (const char* w : wanted) EXPECT_NE(manifest.find(w), std::string::npos) << w;
}

TEST(ProgramResources, DialogFontAsksForTheDefaultCharacterSet) {
  const std::string t = ResourceModule().Bytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_SETUP_DIALOG));
  ASSERT_GT(t.size(), 26u);
  auto word = [&t](size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(t[at]) | (static_cast<uint8_t>(t[at + 1]) << 8));
  };
  ASSERT_EQ(word(2), 0xFFFF) << "not a DIALOGEX template";
  size_t at = 26;  // after the fixed header
  // Menu and class: none, an ordinal, or a string; then the title string.
  for (int field = 0; field < 2; ++field) {
    if (word(at) == 0) at += 2;
    else if (word(at) == 0xFFFF) at += 4;
    else { while (word(at) != 0) at += 2; at += 2; }
  }
  while (word(at) != 0) at += 2;
  at += 2;
  ASSERT_LT(at + 6, t.size());
  EXPECT_EQ(word(at), 8) << "point size";
  EXPECT_EQ(static_cast<uint8_t>(t[at + 5]), DEFAULT_CHARSET);
  std::wstring face;
  for (size_t i = at + 6; i + 1 < t.size() && word(i) != 0; i += 2) face.push_back(word(i));
  EXPECT_EQ(face, L"Tahoma");
}
