// The runners' hold on one action: redirection and the "os" filter.
#include "engine/listed_action.h"

ListedAction::ListedAction(const ActionRegistry& registry, ScriptElement* element)
    : type_(element ? FindActionType(element->Name()) : nullptr),
      action_(registry.Create(element)) {
  if (action_ && type_ && type_->redirectionOff) redirectionOff_.emplace();
}

CxResult ListedAction::Describe(ScriptElement* templates, InstallContext* context, WString* out) {
  return action_ ? action_->Describe(templates, context, out) : CX_E_INVALID_ARG;
}

CxResult ListedAction::Execute(InstallContext* context) {
  if (!action_) return CX_E_INVALID_ARG;
  CxResult r = action_->Parse(0);
  if (r != CX_OK) return r;
  if (type_ && !RunsOnWindows(*type_, action_->Element()->GetAttrRaw(kOsAttribute, nullptr),
                              IsOs64Bit() == 1))
    return CX_OK;
  return action_->Execute(context);
}
