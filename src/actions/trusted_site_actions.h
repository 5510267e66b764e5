// The "AddTrustedSite" and "DelTrustedSite" actions: a web site put into, or
// taken out of, the current user's trusted-sites zone through the system's
// URL security manager (platform/zone_mapping.h). No "os" filter, no
// redirection change; the run goes on whatever they return.
#pragma once
#include "common/wstring.h"
#include "engine/action.h"

// "Url" (required, not empty): a site pattern, scheme and host name.
class TrustedSiteAction : public Action {
 public:
  TrustedSiteAction(ScriptElement* element, int remove) : Action(element), remove_(remove) {}

  CxResult Parse(int force) override;
  // Fills "$[url]" in the "AddTrustedSite" or "DelTrustedSite" template.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // SetTrustedSite's result; an add of a site mapped already is 0.
  CxResult Execute(InstallContext* context) override;

 private:
  int remove_;
  WString url_;
};

class AddTrustedSiteAction : public TrustedSiteAction {
 public:
  explicit AddTrustedSiteAction(ScriptElement* element) : TrustedSiteAction(element, 0) {}
};

class DelTrustedSiteAction : public TrustedSiteAction {
 public:
  explicit DelTrustedSiteAction(ScriptElement* element) : TrustedSiteAction(element, 1) {}
};

// Factories for the action registry; null when memory runs out.
Action* CreateAddTrustedSiteAction(ScriptElement* element);
Action* CreateDelTrustedSiteAction(ScriptElement* element);
