// Security for the library's named kernel objects. Elevated, an object
// belongs to Administrators and admits only Administrators and SYSTEM, so
// no process of the unelevated user can open, hold or wait on it. Otherwise
// it is open to Everyone and to all app-container packages, with the low
// integrity label that lets low-integrity processes reach it.
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

// True when this process runs elevated: its token has the Administrators
// group enabled (what an access check against an admin-only list tests).
bool ProcessIsElevated();

// The security a named object of this process is created with: admin-only
// when elevated, else the open descriptor and, once the object exists, the
// low integrity label. Move-only.
class NamedObjectSecurity {
 public:
  NamedObjectSecurity() = default;
  NamedObjectSecurity(NamedObjectSecurity&&) = default;
  NamedObjectSecurity& operator=(NamedObjectSecurity&&) = default;

  // Builds the descriptor for `elevated`. 0 or the Windows error.
  CxResult Build(bool elevated);
  // For the Create* calls (not inherited); null until built.
  SECURITY_ATTRIBUTES* Attributes();
  // What the new object still needs: the low label in the open case.
  void Finish(HANDLE object) const;

 private:
  bool elevated_ = false;
  ScopedLocalMem adminOnly_;
  OpenSecurityDescriptor open_;
  SECURITY_ATTRIBUTES attributes_ = {};
};

// True when the object's owner is Administrators or SYSTEM. An unelevated
// process cannot make an object so owned, so such an object that existed
// before this process asked for it was made by an elevated one.
bool MadeByAdministrators(HANDLE object);
