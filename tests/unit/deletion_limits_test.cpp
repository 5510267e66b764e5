// What DelDir and DelRegister refuse to delete whole: one row per way a
// target can reach a protected folder or key.
#include <gtest/gtest.h>

#include "common/codepage.h"
#include "platform/deletion_limits.h"
#include "platform/registry_text.h"

namespace {
using R = DeletionRefusal;
}

TEST(DeletionLimits, Folders) {
  const ProtectedFolders f = StandardProtectedFolders(u"me");
  const struct { const char16_t* path; R refusal; } cases[] = {
      {u"C:\\", R::kRoot},                                        // "$(ToolDir)\" with ToolDir empty
      {u"d:", R::kRoot},                                          // another drive, no separator
      {u"\\\\server\\share\\", R::kRoot},                         // a share root
      {u"C:\\Windows", R::kProtected},
      {u"c:/WINDOWS/", R::kProtected},                            // other separators and case
      {u"C:\\Windows.\\", R::kProtected},                         // trailing dot that Windows drops
      {u"C:\\Program Files\\..\\Windows\\System32", R::kProtected},  // ".." applied
      {u"C:\\Windows\\Sysnative", R::kProtected},                 // System32 seen from WOW64
      {u"C:\\Program Files (x86)", R::kProtected},
      {u"C:\\ProgramData\\Microsoft\\Windows", R::kHoldsProtected},  // holds the common Start Menu
      {u"C:\\Users", R::kProtected},
      {u"C:\\Users\\other", R::kProfileRoot},                     // any profile, not only ours
      {u"C:\\Users\\me\\AppData", R::kHoldsProtected},
      {u"C:\\Users\\me\\Desktop", R::kProtected},
      {u"C:\\Users\\Public\\Desktop", R::kProtected},
      {u"\\\\?\\C:\\Windows", R::kNotAPlainPath},                 // no way around the rules
      {u"Windows", R::kNotAPlainPath},                            // relative: not resolved
      {u"C:\\Program Files (x86)\\KOVA", R::kNone},               // a level below is fine
      {u"C:\\Users\\me\\Documents\\KOVA", R::kNone},
      {u"C:\\Windows\\Temp\\CxKeyPackage_0123456789ABCDEF", R::kNone},
      {u"D:\\Tools", R::kNone},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CheckFolderDeletion(c.path, f), c.refusal)
        << Utf16ToUtf8(c.path) << ": " << DeletionRefusalText(c.refusal);
}

TEST(DeletionLimits, Keys) {
  const struct { uint32_t root; const char16_t* subKey; R refusal; } cases[] = {
      {CX_HKEY_LOCAL_MACHINE, u"SOFTWARE", R::kTopLevelKey},    // a product key whose name expanded to nothing
      {CX_HKEY_LOCAL_MACHINE, u"software\\microsoft", R::kTopLevelKey},
      {CX_HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node\\Microsoft", R::kTopLevelKey},
      {CX_HKEY_LOCAL_MACHINE, u"SOFTWARE\\KOVA", R::kTopLevelKey},  // a vendor key is level two
      {CX_HKEY_CURRENT_USER, u"Software\\Classes", R::kTopLevelKey},
      {CX_HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", R::kProtected},
      {CX_HKEY_LOCAL_MACHINE, u"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
       R::kProtected},
      {CX_HKEY_CURRENT_USER, u"Software\\Microsoft\\Windows\\CurrentVersion\\Run", R::kProtected},
      {CX_HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", R::kHoldsProtected},
      {CX_HKEY_CLASSES_ROOT, u"CLSID", R::kProtected},         // HKCR is SOFTWARE\Classes
      {CX_HKEY_CLASSES_ROOT, u"Wow6432Node\\CLSID", R::kProtected},
      {CX_HKEY_USERS, u"S-1-5-21-1\\Software\\Microsoft", R::kTopLevelKey},  // a user's hive
      {CX_HKEY_USERS, u"S-1-5-21-1_Classes\\CLSID", R::kProtected},
      {CX_HKEY_LOCAL_MACHINE, u"SYSTEM\\ControlSet001\\Services", R::kProtected},
      {CX_HKEY_LOCAL_MACHINE, u"SOFTWARE\\KOVA\\Corvexa", R::kNone},
      {CX_HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KOVA_X", R::kNone},
      {CX_HKEY_CLASSES_ROOT, u"CLSID\\{37951B6C-C0FC-4627-88DA-E3C476E435DA}", R::kNone},
      {CX_HKEY_CLASSES_ROOT, u".cxk", R::kNone},               // a file type of the product
      {CX_HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\CxKey", R::kNone},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CheckKeyDeletion(c.root, c.subKey), c.refusal)
        << Utf16ToUtf8(c.subKey) << ": " << DeletionRefusalText(c.refusal);
}

TEST(DeletionLimits, PathsResolveAsAgainstTheCurrentFolder) {
  const std::u16string cwd = u"C:\\Windows\\Temp\\";
  EXPECT_EQ(ResolveAgainst(u"\\", cwd), u"C:\\");
  EXPECT_EQ(ResolveAgainst(u"\\Tools", cwd), u"C:\\Tools");
  EXPECT_EQ(ResolveAgainst(u"Tools", cwd), u"C:\\Windows\\Temp\\Tools");
  EXPECT_EQ(ResolveAgainst(u"D:\\x", cwd), u"D:\\x");
}
