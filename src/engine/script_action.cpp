// The built-in actions' Parse, Describe and Execute.
#include "engine/script_action.h"

CxResult ScriptAction::Parse(int force) {
  if (parsed_ == 1 && force != 1) return CX_OK;
  parsed_ = 0;
  if (!element_) return CX_E_INVALID_ARG;
  CxResult r = ReadActionValues(type_, *element_, &values_);
  if (r != CX_OK) return r;
  parsed_ = 1;
  return CX_OK;
}

CxResult ScriptAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  WString text;
  r = TemplateText(templates, type_.name, &text);
  if (r != CX_OK) return r;
  DescribeActionValues(values_, &text);
  *out = text;
  return CX_OK;
}

CxResult ScriptAction::Execute(InstallContext* context) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  return execute_ ? execute_(&values_, context) : CX_E_INVALID_ARG;
}
