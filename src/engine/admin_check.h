// Administrator test used before a run: 1 when the process's effective
// token is a member of BUILTIN\Administrators, 0 otherwise (also when the
// question cannot be answered).
#pragma once

int IsUserAdmin();
