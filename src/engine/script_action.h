// ScriptAction: an action of a built-in type. Its Parse and Describe follow
// the type's row in the script vocabulary (package/script_vocabulary.h), so
// a new type is a row there and an executor: a plain function that does
// the work with the values Parse read.
#pragma once
#include "engine/action.h"
#include "package/action_values.h"

// One type's work. `values` may be changed for a later Describe or retry
// (a tree copy keeps its shortened paths); 0 on success.
using ActionExecutor = CxResult (*)(ActionValues* values, InstallContext* context);

class ScriptAction : public Action {
 public:
  ScriptAction(ScriptElement* element, const ActionType& type, ActionExecutor execute)
      : Action(element), type_(type), execute_(execute) {}

  // Reads the attributes by the type's rules, in its order; the first that
  // breaks its rule decides. CX_E_INVALID_ARG without an element.
  CxResult Parse(int force) override;
  // Parse(0), then the type's template filled in from the values.
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) override;
  // Parse(0), then the type's work.
  CxResult Execute(InstallContext* context) override;

 private:
  const ActionType& type_;
  ActionExecutor execute_;
  ActionValues values_;
};
