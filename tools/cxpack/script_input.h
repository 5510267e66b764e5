// The script that lint and plan read: a package folder (its
// PackageFiles/SetupScript.xml), a script file named directly, or the script
// inside a setup program cxpack build wrote.
#pragma once
#include <string>

struct ScriptInput {
  std::string label;         // how findings name the script: the path as typed
  std::string typedFolder;   // the package folder as typed; empty when unknown
  std::u16string packageDir; // the same, for reading; empty when unknown
  std::string bytes;         // the script's bytes
};

// Reads `arg`. On failure returns false with `problem` set to the
// one-line reason ("cxpack: PATH: problem").
bool ReadScriptInput(const std::string& arg, ScriptInput* out, std::string* problem);

// A package file's path (relative to the package folder) as the user would
// type it: below the folder as typed.
std::string TypedPackagePath(const ScriptInput& input, const std::string& inside);
