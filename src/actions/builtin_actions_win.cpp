// The built-in action types, registered in their fixed order. Types whose
// implementation has not arrived yet are left out: their elements behave as
// unknown elements (a run fails on them; finish lists skip them).
#include "engine/builtin_actions.h"

#include <cstring>

#include "actions/cert_actions.h"
#include "actions/file_actions.h"
#include "actions/process_actions.h"
#include "actions/shortcut_actions.h"
#include "actions/task_actions.h"
#include "actions/trusted_site_actions.h"
#include "actions/registry_actions.h"
#include "engine/action_registry.h"

namespace {
struct Builtin {
  const char* name;
  ActionFactory factory;
};

constexpr Builtin kFactories[] = {
    {"KillProcess", &CreateKillProcessAction},
    {"StartProcess", &CreateStartProcessAction},
    {"File", &CreateFileAction},
    {"DelFile", &CreateDelFileAction},
    {"DelDir", &CreateDelDirAction},
    {"CreateShortcut", &CreateCreateShortcutAction},
    {"AddTrustedSite", &CreateAddTrustedSiteAction},
    {"DelTrustedSite", &CreateDelTrustedSiteAction},
    {"SetAppTaskScheduler", &CreateSetAppTaskSchedulerAction},
    {"AddRegister", &CreateAddRegisterAction},
    {"RunRegFile", &CreateRunRegFileAction},
    {"DelRegister", &CreateDelRegisterAction},
    {"RegCertFile", &CreateRegCertFileAction},
    {"UnRegCert", &CreateUnRegCertAction},
};
}  // namespace

void RegisterBuiltinActions(ActionRegistry* registry) {
  if (!registry) return;
  // Walk the canonical order so the registry's entries keep it.
  for (const char* name : kBuiltinActionNames) {
    for (const Builtin& b : kFactories) {
      if (std::strcmp(b.name, name) == 0) registry->Register(b.name, b.factory);
    }
  }
}
