// The built-in action types, registered by the installer engine in the
// order of the script vocabulary's table (the registry's lookup is
// first-match, so order is visible).
#pragma once

class ActionRegistry;

// Registers every vocabulary type that has an executor, in table order.
void RegisterBuiltinActions(ActionRegistry* registry);
