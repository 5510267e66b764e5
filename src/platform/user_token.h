// A token for programs the setup starts on behalf of its user that must not
// carry the elevation: NSS's certutil loads the modules the user's Firefox
// profile lists, so it runs with no more rights than the user has.
// Windows only: included by _win.cpp files.
#pragma once
#include "common/result_codes.h"
#include "common/win_handles.h"

// A primary token of this process's own user, filtered as UAC filters an
// administrator's token: Administrators and the other administrative groups
// only deny access, no privilege is left but change-notify, the integrity
// level is medium, and the user owns what the program makes. For
// CreateProcessAsUserW, which needs no special privilege for a restricted
// copy of the caller's own token and keeps handle inheritance. 0 or the
// Windows error; `out` untouched on failure.
CxResult CreateUnelevatedUserToken(ScopedHandle* out);
