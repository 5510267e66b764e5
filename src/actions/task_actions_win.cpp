// SetAppTaskScheduler: attribute reading, the progress line and the call into
// the task scheduler client.
#include <cstdlib>
#include <new>

#include "actions/attribute_reading.h"
#include "actions/task_actions.h"
#include "platform/task_scheduler.h"

namespace {
// Absent is allowed unless `required`; present must not be empty.
CxResult ReadNotEmpty(ScriptElement* element, const char* name, bool required, WString* out) {
  out->Clear();
  CxResult r = element->GetAttr(name, out);
  if (r != CX_OK) return required ? r : CX_OK;
  return out->IsEmpty() ? CX_E_INVALID_ARG : CX_OK;
}
}  // namespace

CxResult SetAppTaskSchedulerAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  CxResult r = ReadRequired(element_, "Name", &name_);
  if (r == CX_OK) r = ReadRequired(element_, "Type", &type_);
  if (r != CX_OK) return r;
  const bool create = type_.Str() == u"Create";
  r = ReadNotEmpty(element_, "Param", false, &param_);
  if (r == CX_OK) r = ReadNotEmpty(element_, "AppPath", create, &appPath_);
  if (r != CX_OK) return r;
  description_.Clear();
  element_->GetAttr("Description", &description_);
  WString interval;
  r = ReadNotEmpty(element_, "Interval", create, &interval);
  if (r != CX_OK) return r;
  interval_ = interval.IsEmpty() ? 0 : std::atoi(interval.Ansi());
  parsed_ = 1;
  return CX_OK;
}

CxResult SetAppTaskSchedulerAction::Describe(ScriptElement* templates, InstallContext*,
                                             WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "SetAppTaskScheduler", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"name", name_);
  FillPlaceholder(&text, u"type", type_);
  if (type_.Str() == u"Create") {
    WString program(u"[$[AppPath] $[Param]]");
    FillPlaceholder(&program, u"AppPath", appPath_);
    FillPlaceholder(&program, u"Param", param_);
    text.Append(program);
  }
  *out = text;
  return CX_OK;
}

CxResult SetAppTaskSchedulerAction::Execute(InstallContext*) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  return ScheduleTask(name_.Wide(), appPath_.Wide(), param_.Wide(), interval_,
                      TaskOperationFromType(type_.Str()), description_.Wide());
}

Action* CreateSetAppTaskSchedulerAction(ScriptElement* element) {
  return new (std::nothrow) SetAppTaskSchedulerAction(element);
}
