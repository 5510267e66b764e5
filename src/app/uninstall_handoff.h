// The waiting uninstall of "Uninstall.exe /QUIET": the installed uninstaller
// (the launcher) starts its temporary copy and waits for the copy's report;
// the copy runs the uninstall, reports its exit code, waits for the launcher
// to end, and then removes the launcher's file and what the uninstall could
// not remove while the launcher ran, taking back the restart operations
// registered for them. So a deployment tool's uninstall command returns only
// when the product is gone, with the copy's exit code.
//
// The launcher hands the copy two inherited handles, named in an environment
// variable the copy removes at once: a handle to the launcher process itself
// (the copy waits on it and reads the launcher's file name from it), and the
// write end of a pipe that carries the 4-byte exit code. The command line
// stays "/UNINSTALL_COPY /QUIET". Windows only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/win_handles.h"
#include "platform/pending_renames.h"

// How long the copy waits for the launcher to end after the report.
constexpr uint32_t kLauncherEndTimeoutMs = 60u * 1000u;

// Launcher side: starts `copyPath` with `parameters` (hidden) and waits for
// its report for as long as the copy runs: the copy's own steps have their
// limits, and a launcher that gave up first would report a failure for an
// uninstall still running. 1 with `exitCode` set from the report, or from
// the copy's own exit code when it ended without one (1603 when even that
// cannot be read); 0 when it could not be started (`exitCode` untouched).
int StartCopyAndWait(const std::u16string& copyPath, const std::u16string& parameters,
                     uint32_t* exitCode);

// Copy side. Take succeeds only in a copy started by StartCopyAndWait.
class LauncherLink {
 public:
  bool Take();
  // True once taken, also after the launcher has ended.
  bool Present() const { return taken_; }
  const std::u16string& LauncherPath() const { return path_; }
  // True when `path` names the launcher's program file, also after the
  // file was moved aside (same volume and file index).
  bool IsLauncherFile(const std::u16string& path) const;
  // Sends the exit code to the waiting launcher, once.
  void Report(uint32_t exitCode);
  // After Report: waits for the launcher to end; after a successful
  // uninstall (`uninstalled`) deletes its file and its folder when empty (a
  // failed one leaves the product its uninstaller); and deletes now what
  // `scheduled` (restart operations registered during the run) would have
  // deleted at the restart, taking back the operations for what is gone.
  // Returns the entries left.
  std::vector<PendingRename> FinishAfterLauncher(const std::vector<PendingRename>& scheduled,
                                                 bool uninstalled);

 private:
  bool taken_ = false;
  ScopedHandle process_;
  ScopedHandle report_;
  std::u16string path_;
  bool haveId_ = false;
  uint32_t volume_ = 0, indexHigh_ = 0, indexLow_ = 0;
};

// The process's link (empty unless taken).
LauncherLink& TheLauncherLink();
