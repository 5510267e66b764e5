// Trusted sites: a web site put into (or taken out of) the trusted-sites
// security zone of the current user through the system's URL security and
// zone managers. A zone that accepts only HTTPS sites has that requirement
// lifted for the one change and put back afterwards, whatever the change
// gave, so the user's setting stays as it was.
//
// The managers sit behind ZoneMappingOps, so that the flag handling is
// portable and can be checked with a double.
#pragma once
#include <cstdint>

#include "common/result_codes.h"

constexpr uint32_t kTrustedZone = 2;
// ZAFLAGS_REQUIRE_VERIFICATION: every site of the zone must use HTTPS.
constexpr uint32_t kZoneRequiresVerification = 0x4;

// The trusted zone's flags and its site list. Results are COM results
// (0 success).
class ZoneMappingOps {
 public:
  virtual ~ZoneMappingOps() = default;
  // The trusted zone's attribute flags; `flags` untouched on failure.
  virtual CxResult GetTrustedZoneFlags(uint32_t* flags) = 0;
  // Writes the trusted zone's attributes back with these flags.
  virtual CxResult SetTrustedZoneFlags(uint32_t flags) = 0;
  // Adds (remove 0) or removes (remove 1) the site pattern in the trusted zone.
  virtual CxResult SetTrustedMapping(const char16_t* url, int remove) = 0;
};

// Adds or removes `url` through `ops`. When the zone requires verification,
// the flag is cleared around the mapping and set again afterwards on every
// path; flags that could not be read, or that do not require verification,
// are never written. CX_E_INVALID_ARG for a null `ops` or an empty url;
// otherwise the mapping's result.
CxResult SetTrustedSiteWith(ZoneMappingOps* ops, const char16_t* url, int remove);

// An add's result with "the site is mapped already" (CX_HR_FILE_EXISTS)
// counted as success.
CxResult TrustedSiteAddResult(CxResult mappingResult);

// Windows only: SetTrustedSiteWith over the system's managers, created
// in-process with COM initialised around the call; a failure to create them
// is returned as its COM result.
CxResult SetTrustedSite(const char16_t* url, int remove);
