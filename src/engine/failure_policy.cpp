// Failure policy of the setup dialog, by the vocabulary's failure rule of
// each action type.
#include "engine/failure_policy.h"

#include "common/result_codes.h"
#include "package/script_vocabulary.h"

namespace {

// The rule of the type named `name` exactly; an element that is no type
// stops the run.
FailureRule RuleOf(const std::u16string& name) {
  size_t count = 0;
  const ActionType* types = ActionTypes(&count);
  for (size_t i = 0; i < count; ++i)
    if (name == WString(types[i].name).Str()) return types[i].onFailure;
  return FailureRule::kStopsRun;
}

}  // namespace

uint32_t DialogProgressAnswer(const ProgressRecord& record, bool cancelRequested) {
  if (cancelRequested) return kProgressStop;
  if (record.phase == kPhaseBeforeExecute || record.result == CX_OK) return kProgressGoOn;
  switch (RuleOf(record.name.Str())) {
    case FailureRule::kGoesOn: return kProgressGoOn;
    case FailureRule::kGoesOnWhenGone:
      return record.result == CX_WIN_ERROR_FILE_NOT_FOUND ? kProgressGoOn : kProgressStop;
    case FailureRule::kStopsRun: break;
  }
  return kProgressStop;
}
