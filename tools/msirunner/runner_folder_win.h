// Where the runner puts what it runs: a new folder under the Windows
// folder's Temp (%SystemRoot%\Temp\CxMsi_<16 random hex digits>), made by
// the elevated custom action with an access list that admits only
// Administrators and SYSTEM from the moment it exists. Users may create
// entries in %SystemRoot%\Temp, so the name is drawn at random and taken
// only if it is new: nothing an unelevated user made, placed or linked
// there is ever used. The folder and its files go when the object does.
#pragma once
#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "common/result_codes.h"
#include "common/win_handles.h"
#include "platform/admin_only_acl.h"
#include "runner_rules.h"

class RunnerFolder {
 public:
  RunnerFolder() = default;
  ~RunnerFolder();
  RunnerFolder(const RunnerFolder&) = delete;
  RunnerFolder& operator=(const RunnerFolder&) = delete;

  // Makes the folder, drawing names from `random`. 0 or the Windows error.
  CxResult Create(HCRYPTPROV random);
  const std::wstring& Path() const { return path_; }
  // `name` inside the folder.
  std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }

  // Writes the setup carried in the runner's own file (`data` says where,
  // how long and its SHA-256) to the new file `target`, and keeps it open
  // for reading only, so nobody can change or replace it until the folder
  // goes. 0; CX_E_BAD_DATA when the bytes don't match the checksum or the
  // file is too short; or the Windows error.
  CxResult ExtractCarriedSetup(HCRYPTPROV hashing, const InstallData& data, const std::wstring& target);

 private:
  std::wstring path_;
  AdminOnlySecurity security_;
  ScopedFileHandle lock_;
};
