// Held files from bytes in memory: the one writer, fed all at once.
#include "platform/held_file.h"

CxResult WriteNewHeldFile(const char16_t* path, const void* data, size_t size, HeldFile* held) {
  if (!data && size) return CX_E_INVALID_ARG;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return WriteNewHeldFileFrom(
      path, size,
      [bytes, size](const ByteSink& sink) { return !size || sink(bytes, size) ? CX_OK : CX_E_FAIL; },
      held);
}
