// The setup dialog's failure policy: how it answers each progress report,
// decided by the action's name and result. Kept apart from the window so it
// can be checked without one; the dialog moves its progress bar itself.
#pragma once
#include <cstdint>

#include "engine/progress.h"

// kProgressStop when the user asked to cancel, or when a failed action is
// one whose failure ends the run; kProgressGoOn otherwise. Never repeats.
//   - result 0 (every phase-0 report): go on
//   - "DelRegister": go on only for result 2 (the key was already gone)
//   - "AddTrustedSite", "DelTrustedSite", "KillProcess",
//     "SetAppTaskScheduler": go on whatever the result
//   - any other name with a nonzero result (kResultNoAction included): stop
// Names are compared case-sensitively; each type's rule is its row in
// package/script_vocabulary.cpp.
uint32_t DialogProgressAnswer(const ProgressRecord& record, bool cancelRequested);
