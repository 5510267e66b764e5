// Decisions of the setup dialog.
#include "ui/dialog_logic.h"

#include "app/resource_ids.h"
#include "common/version_number.h"
#include "engine/install_context.h"
#include "engine/progress.h"

namespace {

// Window message and key values, fixed by the platform.
constexpr uint32_t kWmKeyDown = 0x0100;
constexpr uint32_t kVkReturn = 0x0D;
constexpr uint32_t kVkEscape = 0x1B;

constexpr uint32_t kReadNotInstalled = 2;

const char16_t kLogoRelative[] = u"PackageFiles\\ProgramFiles(x86)\\KOVA\\Corvexa\\Res\\Logo_Long.bmp";

}  // namespace

bool IsInstallSide(int32_t mode) { return mode == kModeInstall; }

ModePage PageForMode(int32_t mode) {
  if (IsInstallSide(mode))
    return {"IDS_MAIN_UI_INSTALL_TITLE", "IDS_WELCOME_INSTALL", "IDS_TIP_INSTALLING_PRODUCT",
            "IDS_INSTALL_OK",           "IDS_INSTALL_FAILED",  IDC_BTN_INSTALL,
            IDC_BTN_UNINSTALL};
  return {"IDS_MAIN_UI_UNINSTALL_TITLE", "IDS_WELCOME_UNINSTALL", "IDS_TIP_UNINSTALLING_PRODUCT",
          "IDS_UNINSTALL_OK",           "IDS_UNINSTALL_FAILED",  IDC_BTN_UNINSTALL,
          IDC_BTN_INSTALL};
}

bool StartsAtOnce(int32_t mode, uint32_t silent) { return IsInstallSide(mode) && silent != 0; }

ProgressStep ProgressStepFor(uint32_t total, uint32_t completed, uint32_t phase) {
  ProgressStep step{false, 0, false};
  if (total == 0) return step;  // nothing to measure against
  if (static_cast<uint64_t>(completed) + 1 == total) {
    if (phase == kPhaseAfterExecute) step = {true, 100, true};
    return step;
  }
  uint64_t position = static_cast<uint64_t>(completed) * 100 / total;
  if (position > 100) position = 100;
  step.setPosition = true;
  step.position = static_cast<uint32_t>(position);
  return step;
}

InstalledState InstalledVersionState(uint32_t readResult, const uint32_t installed[4],
                                     const char16_t* packageVersion) {
  if (readResult == kReadNotInstalled) return kNotInstalled;
  if (readResult != 0 || !installed) return kInstalledUnknown;
  uint64_t packageValue = 0;
  if (!packageVersion || ParseVersionString(packageVersion, &packageValue) != 1)
    return kInstalledUnknown;
  uint32_t packageParts[4];
  VersionParts(packageValue, packageParts);
  switch (CompareVersions(installed, packageParts)) {
    case -1: return kInstalledLower;
    case 0: return kInstalledSame;
    default: return kInstalledHigher;
  }
}

const char* InstalledStateName(InstalledState state) {
  switch (state) {
    case kNotInstalled: return "not installed";
    case kInstalledSame: return "this version installed";
    case kInstalledLower: return "an older version installed";
    case kInstalledHigher: return "a newer version installed";
    case kInstallUnfinished: return "previous install did not finish";
    default: return "unknown";
  }
}

const char* InstalledStateMessageKey(InstalledState state) {
  switch (state) {
    case kInstalledSame: return "IDS_INSTAL_EQUAL_WARNING";
    case kInstalledHigher: return "IDS_INSTAL_HIGHER_WARNING";
    default: return nullptr;
  }
}

KeyAnswer KeyAnswerFor(uint32_t message, uint32_t key, bool usableFocusedControl) {
  if (message != kWmKeyDown) return KeyAnswer::kPass;
  if (key == kVkEscape) return KeyAnswer::kSwallow;
  if (key == kVkReturn && usableFocusedControl) return KeyAnswer::kPressFocused;
  return KeyAnswer::kPass;
}

bool CloseIgnored(int32_t runState) { return runState == kRunRunning; }
bool CanStartRun(int32_t runState) { return runState == kRunIdle; }
bool CanFinish(int32_t runState) { return runState == kRunFinished; }

WString LogoPath(const WString& packageFolder) {
  // No package folder yet: no logo, rather than a path relative to the
  // current directory.
  WString path;
  const std::u16string& folder = packageFolder.Str();
  if (folder.empty()) return path;
  path = packageFolder;
  if (folder.back() != u'\\') path.Append(u"\\");
  path.Append(kLogoRelative);
  return path;
}
