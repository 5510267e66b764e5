// The script that lint and plan read: a package folder (its
// PackageFiles/SetupScript.xml) or a script file named directly.
#pragma once
#include <string>

struct ScriptInput {
  std::string label;         // how findings name the script
  std::u16string packageDir; // the folder holding PackageFiles/; empty when unknown
  std::string bytes;         // the script's bytes
};

// Reads `arg`. On failure returns false with `problem` set to the
// one-line reason ("cxpack: PATH: problem").
bool ReadScriptInput(const std::string& arg, ScriptInput* out, std::string* problem);
