// Trusted-zone flag handling around a site mapping (portable).
#include "platform/zone_mapping.h"

CxResult SetTrustedSiteWith(ZoneMappingOps* ops, const char16_t* url, int remove) {
  if (!ops || !url || !*url) return CX_E_INVALID_ARG;
  uint32_t flags = 0;
  const bool requiresVerification = ops->GetTrustedZoneFlags(&flags) == CX_OK &&
                                    (flags & kZoneRequiresVerification) != 0;
  if (!requiresVerification) return ops->SetTrustedMapping(url, remove);
  // Lifted so that a plain HTTP site can be added or removed.
  ops->SetTrustedZoneFlags(flags & ~kZoneRequiresVerification);
  const CxResult r = ops->SetTrustedMapping(url, remove);
  ops->SetTrustedZoneFlags(flags);
  return r;
}

CxResult TrustedSiteAddResult(CxResult mappingResult) {
  return mappingResult == CX_HR_FILE_EXISTS ? CX_OK : mappingResult;
}
