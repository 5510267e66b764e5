// ListedAction: an element of an action list as both runners hold it. The
// registry creates its action; when the type's row in the script vocabulary
// says so, WOW64 file-system redirection is off for the action's whole life
// (so it must live on the worker thread, one at a time); and Execute obeys
// the type's "os" rule. The actions themselves know nothing of either.
#pragma once
#include <memory>
#include <optional>

#include "common/sysinfo.h"
#include "engine/action_registry.h"
#include "package/script_vocabulary.h"

class ListedAction {
 public:
  ListedAction(const ActionRegistry& registry, ScriptElement* element);
  ListedAction(const ListedAction&) = delete;
  ListedAction& operator=(const ListedAction&) = delete;

  // False when the element yields no action.
  bool Created() const { return action_ != nullptr; }
  CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out);
  // Parse(0) (its failure returned); then 0 without executing when the
  // "os" attribute rules the action out on this Windows; else Execute.
  CxResult Execute(InstallContext* context);

 private:
  const ActionType* type_ = nullptr;  // null for a type the vocabulary lacks
  std::optional<ScopedFsRedirectionOff> redirectionOff_;  // outlives the action
  std::unique_ptr<Action> action_;
};
