// Progress reporting of the action runner: the record handed to the
// callback before and after each action, and the callback's answers.
#pragma once
#include <cstdint>

#include "common/ref_counted.h"
#include "common/wstring.h"

// Phases of a report.
constexpr uint32_t kPhaseBeforeExecute = 0;
constexpr uint32_t kPhaseAfterExecute = 1;

// Result reported for a list element that did not yield an action.
constexpr uint32_t kResultNoAction = 0xFFFFFFFF;

struct ProgressRecord : RefCounted {
  uint32_t total = 0;      // element children of the list
  uint32_t completed = 0;  // counted right after each Execute, before the after-call
  WString name;            // tag of the current element, e.g. "KillProcess"
  WString description;     // what the action's Describe produced
  uint32_t phase = kPhaseBeforeExecute;
  uint32_t result = 0;     // 0 before Execute; Execute's result after it
};

// Answers of a progress callback. Repeat only means something after Execute:
// the action counts as not done and runs again, Describe included. Any other
// value goes on.
constexpr uint32_t kProgressGoOn = 0;
constexpr uint32_t kProgressStop = 1;
constexpr uint32_t kProgressRepeat = 2;

using ProgressCallback = uint32_t (*)(ProgressRecord* record, void* userData);
