// The exit code of the last system tool (regsvr32, regedit) a thread ran,
// so that a run's log can call an action's result the tool's exit code when
// the action hands it on, rather than read it as a Windows error code.
#pragma once
#include <cstdint>
#include <string>

struct ToolExit {
  std::u16string program;  // the tool's full path
  uint32_t code = 0;
};

// Notes a tool's exit code for the calling thread.
void NoteToolExit(const std::u16string& program, uint32_t code);
// The calling thread's last noted exit code, forgotten once taken; false
// when none was noted since the last ForgetToolExit.
bool TakeToolExit(ToolExit* out);
void ForgetToolExit();
