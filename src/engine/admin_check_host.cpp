// Native builds have no Administrators group; root stands in for it.
#include "engine/admin_check.h"

#include <unistd.h>

int IsUserAdmin() { return geteuid() == 0 ? 1 : 0; }
