// Naming rules of the shared block and of the objects built from it.
#include "common/shared_block.h"

#include "common/strings.h"

void FormatSharedBlockName(uint32_t processId, char* mappingName) {
  if (mappingName)
    StrFormatA(mappingName, kSharedBlockNameSize, "Local\\ZizorarA2_MapFile_%s_%u",
               kSharedBlockGuid, static_cast<unsigned>(processId));
}

int JoinObjectName(const char* prefix, const char* suffix, const char* name, char* out,
                   size_t size) {
  if (!out || size == 0) return CX_NOT_DONE;
  int whole = StrCopyA(out, size, prefix ? prefix : "");
  if (suffix) whole &= StrAppendA(out, size, suffix);
  if (name) whole &= StrAppendA(out, size, name);
  return whole;
}
