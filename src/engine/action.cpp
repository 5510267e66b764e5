// Shared part of the action base: the template lookup.
#include "engine/action.h"

CxResult Action::TemplateText(ScriptElement* templates, const char* typeName, WString* out) {
  if (!templates || !typeName || !out) return CX_E_INVALID_ARG;
  ScriptElement* tmpl = templates->FindChild(typeName);
  if (!tmpl) return CX_E_TEMPLATE_MISSING;
  WString text;
  CxResult r = tmpl->GetText(&text);
  if (r != CX_OK) return r;
  *out = text;
  return CX_OK;
}
