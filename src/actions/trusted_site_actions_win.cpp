// AddTrustedSite and DelTrustedSite: attribute reading, the progress line and
// the call into the zone service.
#include <new>

#include "actions/attribute_reading.h"
#include "actions/trusted_site_actions.h"
#include "platform/zone_mapping.h"

namespace {
// The element name, which also names the schema and the template.
const char* TypeName(int remove) { return remove ? "DelTrustedSite" : "AddTrustedSite"; }
}  // namespace

CxResult TrustedSiteAction::Parse(int force) {
  if (!element_) return CX_E_INVALID_ARG;
  if (ParseDone(force)) return CX_OK;
  CxResult r = SchemaReader(element_, TypeName(remove_)).Text("Url", &url_);
  if (r != CX_OK) return r;
  parsed_ = 1;
  return CX_OK;
}

CxResult TrustedSiteAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, TypeName(remove_), &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"url", url_);
  *out = text;
  return CX_OK;
}

CxResult TrustedSiteAction::Execute(InstallContext*) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  r = SetTrustedSite(url_.Wide(), remove_);
  return remove_ ? r : TrustedSiteAddResult(r);
}

Action* CreateAddTrustedSiteAction(ScriptElement* element) {
  return new (std::nothrow) AddTrustedSiteAction(element);
}
Action* CreateDelTrustedSiteAction(ScriptElement* element) {
  return new (std::nothrow) DelTrustedSiteAction(element);
}
