// Failure policy of the setup dialog.
#include "engine/failure_policy.h"

#include "common/result_codes.h"

namespace {

// Failures of these are tolerated: the process may not be running, the
// zone or the task may be unavailable on this system.
const char16_t* const kTolerantActions[] = {
    u"AddTrustedSite", u"DelTrustedSite", u"KillProcess", u"SetAppTaskScheduler"};

}  // namespace

uint32_t DialogProgressAnswer(const ProgressRecord& record, bool cancelRequested) {
  if (cancelRequested) return kProgressStop;
  if (record.phase == kPhaseBeforeExecute || record.result == CX_OK) return kProgressGoOn;
  const std::u16string& name = record.name.Str();
  if (name == u"DelRegister")
    return record.result == CX_WIN_ERROR_FILE_NOT_FOUND ? kProgressGoOn : kProgressStop;
  for (const char16_t* tolerant : kTolerantActions)
    if (name == tolerant) return kProgressGoOn;
  return kProgressStop;
}
