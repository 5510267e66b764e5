// Checks a setup script (and the package folder it travels with) for the
// faults that would otherwise show only on a test machine: lists that never
// run, misspelt actions and attributes, missing texts and templates,
// undefined variables, bad attribute values, package files that are not
// there, and a script that comes near the limit of its expansion room.
// Attribute rules come from package/script_vocabulary.h and values are read
// by package/value_rules.h, as the actions' Parse and Execute read them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class LintSeverity { kError, kWarning, kNote };

struct LintFinding {
  int line = 0;    // 1-based; 0 for a finding about a package file
  int column = 0;  // 1-based; 0 when unknown
  LintSeverity severity = LintSeverity::kError;
  std::string message;  // UTF-8
  std::string file;     // package path of the file concerned; empty: the script
  std::string entry;    // the script reference's entry that explains it (script_reference.h)
};

struct LintOptions {
  // The folder that holds PackageFiles\ (the package's top level); empty
  // skips the checks of package files and names.
  std::u16string packageDir;
  // Code page for the package's file names (0: ASCII names only), as for
  // packing.
  uint32_t codePage = 0;
};

// Checks the script's bytes; findings in line order (package files last).
std::vector<LintFinding> LintScript(const std::string& scriptBytes, const LintOptions& options);

// True when any finding is an error.
bool HasLintErrors(const std::vector<LintFinding>& findings);

// "LABEL:LINE:COL: error|warning|note: message (see cxpack help
// script#ENTRY)" (the finding's own file and no
// line or column for package files), one per line.
std::string FormatLintFindings(const std::vector<LintFinding>& findings, const std::string& label);

// Edit distance of two texts ignoring ASCII case, for "did you mean".
size_t NearNameDistance(const std::string& a, const std::string& b);
