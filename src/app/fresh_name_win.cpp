// Fresh names for the package folder and the uninstaller copy.
#include "app/fresh_name.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>

#include "common/strings.h"

bool ClaimFreshName(const char16_t* format, const std::u16string& folder, int tries,
                    const std::function<int(const char16_t* name)>& claim, std::u16string* made) {
  std::srand(static_cast<unsigned>(std::time(nullptr)) ^ GetCurrentProcessId());
  for (int i = 0; i < tries; ++i) {
    char16_t name[MAX_PATH];
    if (!StrFormatW(name, MAX_PATH, format, folder.c_str(), static_cast<unsigned>(std::rand())))
      return false;
    int answer = claim(name);
    if (answer == 0) {
      *made = name;
      return true;
    }
    if (answer != 1) return false;
  }
  return false;
}
