// An error message shown to the user without an owner window: the runner's
// way of telling that administrator rights are missing. The engine only
// calls it through RunnerEnv::showMessage, so it has no window code of its own.
#pragma once
#include "common/wstring.h"

// A message box with the error icon (Windows only).
void ShowErrorMessage(const WString& text, const WString& caption);
