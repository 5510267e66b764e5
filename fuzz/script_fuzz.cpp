// Fuzz target for the setup script: load arbitrary bytes, set the system
// variables, expand, then read the keys and sections the program uses.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "package/setup_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;  // real scripts are a few KiB
  SetupScript script;
  if (script.LoadFromMemory(reinterpret_cast<const char*>(data), size) != CX_OK) return 0;
  script.SetSystemVariables("C:\\Users\\user\\Temp\\CxKeyPackage_00000001");
  script.ExpandVariables();
  static const char* const kKeys[] = {"ProductCode", "ProductName", "Publisher", "Version",
                                      "InstallDir", "IDS_INSTALL_OK", "pf32"};
  for (const char* key : kKeys) {
    WString value;
    script.GetString(key, &value);
  }
  static const char* const kLists[] = {"Insall", "Uninstall", "Install Finish", nullptr};
  for (const char* name : kLists) {
    std::unique_ptr<ScriptElement> list(script.FindSection("Action", name));
    if (!list) continue;
    for (ScriptElement* e = list->First(); e; e = list->Next()) {
      WString text;
      e->GetText(&text);
      e->GetAttr("name", &text);
    }
  }
  std::unique_ptr<ScriptElement> desc(script.FindSection("ActionDescString", nullptr));
  return 0;
}
