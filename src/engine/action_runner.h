// The action runners: carry out the run mode's action list of the setup
// script one element at a time, reporting to a progress callback, and the
// mode's finish list without reports. Plain functions over the pieces of
// the installer engine, with the OS-facing parts as seams.
//
// Lists by mode (InstallContext::mode): install "Insall" / "Install Finish",
// uninstall "Uninstall" / "Uninstall Finish"; other modes have none.
#pragma once
#include <atomic>
#include <cstdint>

#include "common/result_codes.h"
#include "common/wstring.h"
#include "engine/action_registry.h"
#include "engine/install_context.h"
#include "engine/progress.h"
#include "package/setup_script.h"

struct RunnerEnv {
  const SetupScript* script = nullptr;          // FindSection / GetString
  const ActionRegistry* registry = nullptr;
  InstallContext* context = nullptr;            // context->mode selects the list
  const std::atomic<uint32_t>* stop = nullptr;  // 1 = stop requested; null = never
  int (*isUserAdmin)() = nullptr;               // IsUserAdmin (admin_check.h)
  // ShowErrorMessage (app/error_message.h); null shows nothing.
  void (*showMessage)(const WString& text, const WString& caption) = nullptr;
};

// Name of the mode's main or finish list, or null when the mode has none.
const char* MainListName(int32_t mode);
const char* FinishListName(int32_t mode);

// Runs the mode's main list. For each element: Describe, report (phase 0),
// Execute, count it as completed, report (phase 1). Callback answers:
// kProgressStop ends the run (before Execute: the action is not executed);
// kProgressRepeat after Execute uncounts the action and runs it again.
// Without a callback the first failing action ends the run.
// Returns 1 when the list ran through (or the stop flag ended it), else 0.
// `finalCode` (optional) receives the run's code:
//   CX_E_FAIL         not an administrator (message shown, nothing runs)
//   CX_E_INVALID_ARG  script, registry, context or isUserAdmin missing
//   CX_E_MISSING      "ActionDescString" or the list missing, or an element
//                     without registered action (reported once with
//                     kResultNoAction)
//   CX_E_STOPPED      the callback answered kProgressStop
//   otherwise         a Describe failure (no report) or, without a
//                     callback, the failing Execute's code
int RunActions(const RunnerEnv& env, ProgressCallback callback, void* userData,
               CxResult* finalCode);

// Runs the mode's finish list: Execute only, no reports. Elements without a
// registered action are skipped; the first failure ends the run. Returns 1
// on success (an empty list, or the stop flag set, included), else 0.
// `finalCode` (optional): CX_E_MISSING, CX_E_INVALID_ARG or the Execute code.
int RunFinishActions(const RunnerEnv& env, CxResult* finalCode);
