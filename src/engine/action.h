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
  // The start of every Parse: true when already parsed and not forced (the
  // caller returns at once); otherwise marks the action as not parsed.
  bool ParseDone(int force) {
    if (parsed_ == 1 && force != 1) return true;
    parsed_ = 0;
    return false;
  }
  // The start of every Describe: Parse(0), then TemplateText.
  CxResult BeginDescription(ScriptElement* templates, const char* typeName, WString* out) {
    CxResult r = Parse(0);
    return r != CX_OK ? r : TemplateText(templates, typeName, out);
  }
  // Replaces "$[name]" in `text` by `value`.
  static void FillPlaceholder(WString* text, const char16_t* name, const WString& value);

  ScriptElement* element_;  // not owned
  uint32_t parsed_ = 0;
};

// Creates a new action bound to `element`; null when memory runs out.
using ActionFactory = Action* (*)(ScriptElement* element);
