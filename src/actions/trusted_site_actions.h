// The work of the "AddTrustedSite" and "DelTrustedSite" actions: a web site
// ("Url", scheme and host name) put into, or taken out of, the current
// user's trusted-sites zone through the system's URL security manager
// (platform/zone_mapping.h). Attributes and descriptions: their rows in
// package/script_vocabulary.cpp; the run goes on whatever they return.
#pragma once
#include "engine/script_action.h"

// SetTrustedSite's result; a site mapped already is 0.
CxResult ExecuteAddTrustedSite(ActionValues* values, InstallContext* context);
// SetTrustedSite's result.
CxResult ExecuteDelTrustedSite(ActionValues* values, InstallContext* context);
