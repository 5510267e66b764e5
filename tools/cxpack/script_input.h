// The script that lint and plan read: a package folder (its
// PackageFiles/SetupScript.xml), a package file of either kind (the script
// inside it), or a script file named directly.
#pragma once
#include <memory>
#include <string>

struct ScriptInput {
  std::string label;         // how findings name the script
  std::u16string packageDir; // the folder holding PackageFiles/; empty when unknown
  std::string bytes;         // the script's bytes
  // For a package file: a temporary folder with the package's folders and
  // (empty) files, removed with the input, so lint can check the names.
  std::shared_ptr<const void> skeleton;
};

// Reads `arg`; for a package file, names are decoded in `codePage` (0: the
// system ANSI code page). On failure returns false with `problem` set to the
// one-line reason ("cxpack: PATH: problem").
bool ReadScriptInput(const std::string& arg, ScriptInput* out, std::string* problem,
                     uint32_t codePage = 0);
