// Security for the library's named kernel objects: a descriptor whose access
// list is open to Everyone and to all app-container packages, and the low
// integrity label that lets low-integrity processes reach the object.
// Windows only: included by _win.cpp files.
#pragma once
#include <windows.h>

#include <memory>
#include <new>

#include "common/result_codes.h"
#include "common/win_handles.h"

// An absolute security descriptor together with the access list it points
// to; both are freed with the object. Move-only.
class OpenSecurityDescriptor {
 public:
  OpenSecurityDescriptor() = default;
  OpenSecurityDescriptor(OpenSecurityDescriptor&&) = default;
  OpenSecurityDescriptor& operator=(OpenSecurityDescriptor&&) = default;

  bool IsValid() const { return descriptor_ != nullptr; }
  SECURITY_DESCRIPTOR* Descriptor() const { return descriptor_.get(); }
  // Attributes for the Create* calls (not inherited); null when not built.
  SECURITY_ATTRIBUTES* Attributes();

 private:
  friend CxResult BuildOpenSecurityDescriptor(OpenSecurityDescriptor* out);
  std::unique_ptr<SECURITY_DESCRIPTOR> descriptor_;
  ScopedHeapBlock acl_;
  SECURITY_ATTRIBUTES attributes_ = {};
};

// Grants GENERIC_ALL to Everyone and, where the system knows the SID, to ALL
// APPLICATION PACKAGES. 0 or the Windows error; `out` untouched on failure.
CxResult BuildOpenSecurityDescriptor(OpenSecurityDescriptor* out);

// The Everyone SID (S-1-1-0). 0 or the Windows error; `out` untouched on failure.
CxResult BuildEveryoneSid(ScopedSid* out);
// ALL APPLICATION PACKAGES (well-known type 84). 0 or the Windows error;
// `out` untouched on failure (systems before Windows 8 lack it).
CxResult BuildAppPackagesSid(ScopedLocalMem* out);

// Sets the low integrity label (no-write-up) on a kernel object. Failures,
// and systems without the label functions, are silently ignored.
void SetLowIntegrityLabel(HANDLE object);
