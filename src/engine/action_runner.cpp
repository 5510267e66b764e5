// The action runners. Everything a run creates (sections, actions) is held
// by unique_ptr or ListedAction so it is destroyed on every path.
#include "engine/action_runner.h"

#include <memory>

#include "engine/listed_action.h"
#include "package/script_vocabulary.h"

namespace {

bool StopRequested(const RunnerEnv& env) {
  return env.stop && env.stop->load(std::memory_order_acquire) == 1;
}

int Finish(CxResult code, CxResult* finalCode) {
  if (finalCode) *finalCode = code;
  return code == CX_OK ? CX_DONE : CX_NOT_DONE;
}

void TellNotAdmin(const RunnerEnv& env) {
  WString text(u"The program need administrator privileges for running!");
  WString caption(u"Tips");
  env.script->GetString(kProductNameKey, &caption);  // each leaves the default when undefined
  env.script->GetString(kNeedAdminText, &text);
  if (env.showMessage) env.showMessage(text, caption);
}

// Runs one action until the callback stops repeating it. Sets *stopped when
// the callback answered kProgressStop.
CxResult RunOne(const RunnerEnv& env, ListedAction* action, ScriptElement* templates,
                ProgressRecord* record, ProgressCallback callback, void* userData,
                bool* stopped) {
  for (;;) {
    record->phase = kPhaseBeforeExecute;
    record->result = 0;
    record->description.Clear();
    CxResult code = action->Describe(templates, env.context, &record->description);
    if (code != CX_OK) return code;
    if (callback && callback(record, userData) == kProgressStop) {
      *stopped = true;
      return CX_E_STOPPED;
    }
    code = action->Execute(env.context);
    ++record->completed;
    record->result = code;
    record->phase = kPhaseAfterExecute;
    if (!callback) return code;
    uint32_t answer = callback(record, userData);
    if (answer == kProgressRepeat) {
      --record->completed;
      continue;
    }
    if (answer == kProgressStop) {
      *stopped = true;
      return CX_E_STOPPED;
    }
    return CX_OK;
  }
}

}  // namespace

const char* MainListName(int32_t mode) {
  switch (mode) {
    case kModeInstall: return kInstallList;
    case kModeUninstall: return kUninstallList;
    default: return nullptr;
  }
}

const char* FinishListName(int32_t mode) {
  switch (mode) {
    case kModeInstall: return kInstallFinishList;
    case kModeUninstall: return kUninstallFinishList;
    default: return nullptr;
  }
}

int RunActions(const RunnerEnv& env, ProgressCallback callback, void* userData,
               CxResult* finalCode) {
  if (!env.script || !env.registry || !env.context || !env.isUserAdmin)
    return Finish(CX_E_INVALID_ARG, finalCode);
  if (!env.isUserAdmin()) {
    TellNotAdmin(env);
    return Finish(CX_E_FAIL, finalCode);
  }
  std::unique_ptr<ScriptElement> templates(env.script->FindSection(kTemplatesSection, nullptr));
  if (!templates) return Finish(CX_E_MISSING, finalCode);
  const char* listName = MainListName(env.context->mode);
  std::unique_ptr<ScriptElement> list(listName ? env.script->FindSection(kListSection, listName)
                                               : nullptr);
  if (!list) return Finish(CX_E_MISSING, finalCode);

  ProgressRecord record;
  record.total = list->ChildCount();
  CxResult code = CX_OK;
  for (uint32_t i = 0; i < list->ChildCount(); ++i) {
    if (StopRequested(env)) {
      code = CX_OK;
      break;
    }
    ScriptElement* element = list->Child(i);
    record.name.Assign(element->Name(), CodePageOfEncoding(element->EncodingCode()));
    ListedAction action(*env.registry, element);
    if (!action.Created()) {
      record.description.Clear();
      record.phase = kPhaseAfterExecute;
      record.result = kResultNoAction;
      if (callback) callback(&record, userData);  // the answer cannot change the outcome
      code = CX_E_MISSING;
      break;
    }
    bool stopped = false;
    code = RunOne(env, &action, templates.get(), &record, callback, userData, &stopped);
    if (stopped || code != CX_OK) break;
  }
  return Finish(code, finalCode);
}

int RunFinishActions(const RunnerEnv& env, CxResult* finalCode) {
  if (!env.script || !env.registry || !env.context) return Finish(CX_E_INVALID_ARG, finalCode);
  const char* listName = FinishListName(env.context->mode);
  std::unique_ptr<ScriptElement> list(listName ? env.script->FindSection(kListSection, listName)
                                               : nullptr);
  if (!list) return Finish(CX_E_MISSING, finalCode);
  for (uint32_t i = 0; i < list->ChildCount(); ++i) {
    if (StopRequested(env)) break;
    ListedAction action(*env.registry, list->Child(i));
    if (!action.Created()) continue;
    CxResult code = action.Execute(env.context);
    if (code != CX_OK) return Finish(code, finalCode);
  }
  return Finish(CX_OK, finalCode);
}
