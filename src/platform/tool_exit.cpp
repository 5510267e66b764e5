// One record per thread: each run's actions and its log share the worker.
#include "platform/tool_exit.h"

namespace {
thread_local ToolExit t_last;
thread_local bool t_noted = false;
}  // namespace

void NoteToolExit(const std::u16string& program, uint32_t code) {
  t_last = {program, code};
  t_noted = true;
}

bool TakeToolExit(ToolExit* out) {
  if (!t_noted || !out) return false;
  *out = t_last;
  t_noted = false;
  return true;
}

void ForgetToolExit() { t_noted = false; }
