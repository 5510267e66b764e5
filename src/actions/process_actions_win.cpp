// KillProcess and StartProcess: attribute reading, the progress line, and the
// calls into process control.
#include "actions/process_actions.h"

#include <new>

#include "actions/attribute_reading.h"
#include "engine/package_paths.h"
#include "platform/process_control.h"

namespace {
const char16_t* TrueFalse(bool value) { return value ? u"true" : u"false"; }
}  // namespace

CxResult KillProcessAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "KillProcess");
  pid_ = 0;
  CxResult r = read.Text("Name", &name_);  // present: never empty
  if (r != CX_OK) return r;
  if (name_.IsEmpty()) {
    pid_ = read.Int("Pid");
    if (pid_ == 0) return CX_E_TEMPLATE_MISSING;
  }
  parsed_ = 1;
  return CX_OK;
}

CxResult KillProcessAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "KillProcess", &text);
  if (r != CX_OK) return r;
  WString pname = name_;
  if (pname.IsEmpty()) pname.AssignInt(pid_);
  FillPlaceholder(&text, u"pname", pname);
  *out = text;
  return CX_OK;
}

CxResult KillProcessAction::Execute(InstallContext*) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  if (!name_.IsEmpty()) return KillProcessesByImage(name_.Wide());
  return KillProcessById(static_cast<uint32_t>(pid_)) == CX_DONE ? CX_OK : CX_E_FAIL;
}

CxResult StartProcessAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "StartProcess");
  // An empty "Src" ends Parse at once; an absent one after the others.
  CxResult sourceResult = read.Text("Src", &source_);
  if (sourceResult == CX_E_INVALID_ARG) return sourceResult;
  read.Text("CmdLine", &cmdLine_);
  silent_ = read.Flag("Silent") == 1;
  wait_ = read.Flag("Wait") == 1;
  if (sourceResult != CX_OK) return sourceResult;
  parsed_ = 1;
  return CX_OK;
}

CxResult StartProcessAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "StartProcess", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"src", source_);
  if (!cmdLine_.IsEmpty()) {
    text.Append(u" CmdLine=\"");
    text.Append(cmdLine_);
    text.Append(u"\"");
  }
  text.Append(u" Silent=\"");
  text.Append(TrueFalse(silent_));
  text.Append(u"\" Wait=\"");
  text.Append(TrueFalse(wait_));
  text.Append(u"\"");
  *out = text;
  return CX_OK;
}

CxResult StartProcessAction::Execute(InstallContext* context) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  // A program from the package comes with what lies beside it, and so does
  // every package file its command line names.
  r = EnsurePackagePath(context, source_.Wide());
  if (r == CX_OK) r = EnsurePackagePathsIn(context, cmdLine_.Wide());
  if (r != CX_OK) return r;
  return RunProgram(source_.Wide(), cmdLine_.Wide(), silent_ ? 1 : 0,
                    wait_ ? CX_WAIT_FOREVER : CX_WAIT_NONE);
}

Action* CreateKillProcessAction(ScriptElement* element) {
  return new (std::nothrow) KillProcessAction(element);
}

Action* CreateStartProcessAction(ScriptElement* element) {
  return new (std::nothrow) StartProcessAction(element);
}
