// Compile check of the resource owners; they are header-only.
#include "common/win_handles.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected");
