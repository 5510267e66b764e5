// Decisions of one setup run.
#include "app/run_policy.h"

#include "common/version_number.h"
#include "engine/install_context.h"
#include "engine/progress.h"

namespace {
constexpr uint32_t kReadNotInstalled = 2;
}  // namespace

bool IsInstallSide(int32_t mode) { return mode == kModeInstall; }

bool StartsAtOnce(int32_t mode, uint32_t silent) { return IsInstallSide(mode) && silent != 0; }

bool CanStartRun(int32_t runState) { return runState == kRunIdle; }
bool CanFinish(int32_t runState) { return runState == kRunFinished; }

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
