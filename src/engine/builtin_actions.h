// The built-in action types, registered by the installer engine in this
// fixed order (the registry's lookup is first-match, so order is visible).
#pragma once
#include <cstddef>

class ActionRegistry;

inline constexpr const char* kBuiltinActionNames[] = {
    "KillProcess",    "StartProcess",  "File",           "DelFile",
    "DelDir",         "CreateShortcut", "AddRegister",   "RunRegFile",
    "DelRegister",    "AddTrustedSite", "DelTrustedSite", "RegCertFile",
    "UnRegCert",      "SetAppTaskScheduler",
};
inline constexpr size_t kBuiltinActionCount =
    sizeof(kBuiltinActionNames) / sizeof(kBuiltinActionNames[0]);

// Registers every built-in action type, in the order of kBuiltinActionNames.
void RegisterBuiltinActions(ActionRegistry* registry);
