// The work of the registry actions: "AddRegister" writes one value
// (creating the key path on the way), "DelRegister" deletes one value or a
// whole key tree, "RunRegFile" imports a ".reg" file with the registry
// editor. Nothing is recorded for an undo: the uninstall list removes what
// the install list wrote with its own "DelRegister" elements. Attributes,
// descriptions, "os" rules and redirection: their rows in
// package/script_vocabulary.cpp.
#pragma once
#include "engine/script_action.h"

// The write's result; CX_E_INVALID_ARG for an unknown root name or value
// type, REG_BINARY text of odd length or with a non-hexadecimal digit.
// REG_DWORD and REG_BINARY data are read by package/value_rules.h.
CxResult ExecuteAddRegister(ActionValues* values, InstallContext* context);
// The delete's result: 2 when the key or value does not exist (which the
// failure policy tolerates); CX_E_INVALID_ARG for an unknown root name or
// a subkey that a tree delete refuses. An empty "ValueName" deletes the
// whole key tree.
CxResult ExecuteDelRegister(ActionValues* values, InstallContext* context);
// ImportRegFile's result ("Key64": the 64-bit editor on a 64-bit Windows).
CxResult ExecuteRunRegFile(ActionValues* values, InstallContext* context);
