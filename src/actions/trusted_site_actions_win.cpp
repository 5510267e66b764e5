// AddTrustedSite and DelTrustedSite: the calls into the zone service.
#include "actions/trusted_site_actions.h"

#include "platform/zone_mapping.h"

CxResult ExecuteAddTrustedSite(ActionValues* values, InstallContext*) {
  return TrustedSiteAddResult(SetTrustedSite(values->Text("Url").Wide(), 0));
}

CxResult ExecuteDelTrustedSite(ActionValues* values, InstallContext*) {
  return SetTrustedSite(values->Text("Url").Wide(), 1);
}
