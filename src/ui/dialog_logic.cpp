// Decisions of the setup dialog.
#include "ui/dialog_logic.h"

#include "app/resource_ids.h"
#include "app/run_policy.h"
#include "package/script_vocabulary.h"

namespace {

// Window message and key values, fixed by the platform.
constexpr uint32_t kWmKeyDown = 0x0100;
constexpr uint32_t kVkReturn = 0x0D;
constexpr uint32_t kVkEscape = 0x1B;

}  // namespace

ModePage PageForMode(int32_t mode) {
  if (IsInstallSide(mode))
    return {"IDS_MAIN_UI_INSTALL_TITLE", "IDS_WELCOME_INSTALL", "IDS_TIP_INSTALLING_PRODUCT",
            "IDS_INSTALL_OK",           "IDS_INSTALL_FAILED",  IDC_BTN_INSTALL,
            IDC_BTN_UNINSTALL};
  return {"IDS_MAIN_UI_UNINSTALL_TITLE", "IDS_WELCOME_UNINSTALL", "IDS_TIP_UNINSTALLING_PRODUCT",
          "IDS_UNINSTALL_OK",           "IDS_UNINSTALL_FAILED",  IDC_BTN_UNINSTALL,
          IDC_BTN_INSTALL};
}

KeyAnswer KeyAnswerFor(uint32_t message, uint32_t key, bool usableFocusedControl) {
  if (message != kWmKeyDown) return KeyAnswer::kPass;
  if (key == kVkEscape) return KeyAnswer::kSwallow;
  if (key == kVkReturn && usableFocusedControl) return KeyAnswer::kPressFocused;
  return KeyAnswer::kPass;
}

bool CloseIgnored(int32_t runState) { return runState == kRunRunning; }

WString LogoPath(const WString& packageFolder) {
  // No package folder yet: no logo, rather than a path relative to the
  // current directory.
  WString path;
  const std::u16string& folder = packageFolder.Str();
  if (folder.empty()) return path;
  path = packageFolder;
  if (folder.back() != u'\\') path.Append(u"\\");
  path.Append(kLogoPackagePath);
  return path;
}
