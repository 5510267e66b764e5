// The built-in action types: each row of the script vocabulary paired with
// its executor. Types without one are left out of the registry: their
// elements behave as unknown elements (a run fails on them; finish lists
// skip them).
#include "engine/builtin_actions.h"

#include <cstring>
#include <new>

#include "actions/cert_actions.h"
#include "actions/file_actions.h"
#include "actions/process_actions.h"
#include "actions/registry_actions.h"
#include "actions/shortcut_actions.h"
#include "actions/task_actions.h"
#include "actions/trusted_site_actions.h"
#include "engine/action_registry.h"

namespace {
struct Executor {
  const char* type;
  ActionExecutor execute;
};

constexpr Executor kExecutors[] = {
    {kKillProcessType, &ExecuteKillProcess},
    {kStartProcessType, &ExecuteStartProcess},
    {kFileType, &ExecuteFile},
    {kDelFileType, &ExecuteDelFile},
    {kDelDirType, &ExecuteDelDir},
    {kCreateShortcutType, &ExecuteCreateShortcut},
    {kAddRegisterType, &ExecuteAddRegister},
    {kRunRegFileType, &ExecuteRunRegFile},
    {kDelRegisterType, &ExecuteDelRegister},
    {kAddTrustedSiteType, &ExecuteAddTrustedSite},
    {kDelTrustedSiteType, &ExecuteDelTrustedSite},
    {kRegCertFileType, &ExecuteRegCertFile},
    {kUnRegCertType, &ExecuteUnRegCert},
    {kSetAppTaskSchedulerType, &ExecuteSetAppTaskScheduler},
};

ActionExecutor ExecutorOf(const char* type) {
  for (const Executor& e : kExecutors)
    if (std::strcmp(e.type, type) == 0) return e.execute;
  return nullptr;
}

// The registry's factory for every built-in type: the element's tag names
// both its row and its executor.
Action* CreateBuiltinAction(ScriptElement* element) {
  const ActionType* type = element ? FindActionType(element->Name()) : nullptr;
  const ActionExecutor execute = type ? ExecutorOf(type->name) : nullptr;
  if (!execute) return nullptr;
  return new (std::nothrow) ScriptAction(element, *type, execute);
}
}  // namespace

void RegisterBuiltinActions(ActionRegistry* registry) {
  if (!registry) return;
  size_t count = 0;
  const ActionType* types = ActionTypes(&count);
  for (size_t i = 0; i < count; ++i)
    if (ExecutorOf(types[i].name)) registry->Register(types[i].name, &CreateBuiltinAction);
}
