// Native builds have no message box; the text goes to standard error.
#include "engine/error_message.h"

#include <cstdio>

void ShowErrorMessage(const WString& text, const WString& caption) {
  std::fprintf(stderr, "%s: %s\n", caption.Narrow(), text.Narrow());
}
