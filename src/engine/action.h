// Action: one element of an action list, bound to its script element.
// The runner describes it (one line for the progress display) and executes
// it; both parse the element's attributes first.
#pragma once
#include <cstdint>

#include "common/ref_counted.h"
#include "common/result_codes.h"
#include "common/wstring.h"
#include "engine/install_context.h"
#include "package/script_element.h"

class Action : public RefCounted {
 public:
  explicit Action(ScriptElement* element) : element_(element) {}

  // Reads the attributes; does nothing when already parsed unless force is 1.
  // Sets parsed to 1 on success, 0 on failure.
  virtual CxResult Parse(int force) = 0;
  // Parse(0), then the localised template named after the action's type with
  // its "$[name]" placeholders filled in.
  virtual CxResult Describe(ScriptElement* templates, InstallContext* context, WString* out) = 0;
  // Parse(0), then the work. 0 on success.
  virtual CxResult Execute(InstallContext* context) = 0;

  ScriptElement* Element() const { return element_; }
  bool IsParsed() const { return parsed_ == 1; }

 protected:
  // The template of `typeName` from the "ActionDescString" section, as text
  // with placeholders still in it. CX_E_TEMPLATE_MISSING when absent.
  static CxResult TemplateText(ScriptElement* templates, const char* typeName, WString* out);

  ScriptElement* element_;  // not owned
  uint32_t parsed_ = 0;
};

// Creates a new action bound to `element`; null when memory runs out.
using ActionFactory = Action* (*)(ScriptElement* element);
