// An error message shown to the user without an owner window: the runner's
// way of telling that administrator rights are missing.
#pragma once
#include "common/wstring.h"

// Windows: a message box with the error icon. Native builds: standard error.
void ShowErrorMessage(const WString& text, const WString& caption);
