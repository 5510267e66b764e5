// The running program's own file, recognised after it has been moved. An
// uninstall that removes its own install folder moves the running
// Uninstall.exe aside to a temporary name (a running program cannot be
// deleted), and Windows removes it at the next restart: that is the
// program's own clean-up, not work a restart must finish, so it must not
// make a quiet uninstall ask for one.
#pragma once
#include <cstdint>
#include <string>

class OwnImage {
 public:
  // Notes the identity (volume and file index) of the program's file while
  // it is still at its own path. Windows only.
  void Remember();
  // True when `path` names that same file, under whatever name.
  bool Is(const std::u16string& path) const;

 private:
  bool known_ = false;
  uint32_t volume_ = 0, indexHigh_ = 0, indexLow_ = 0;
};
