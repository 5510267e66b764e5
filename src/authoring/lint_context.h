// What the lint checks kept outside the linter's own pass are handed: the
// script as written (for positions), as expanded (for values), and where
// the findings go.
#pragma once
#include <string>
#include <vector>

#include <tinyxml.h>

#include "authoring/script_lint.h"

struct LintContext {
  const TiXmlElement* rawConfig = nullptr;       // the "Config" element as written
  const TiXmlElement* expandedConfig = nullptr;  // the same expanded; null when it does not expand
  std::string srcroot;  // the package folder the expansion stands for, UTF-8, with its final '\'
  int encoding = -1;    // the script's encoding code (xml_access.h)
  const LintOptions* options = nullptr;
  std::vector<LintFinding>* findings = nullptr;

  // `entry` names the script reference's entry that explains the finding.
  void Add(const TiXmlBase* at, LintSeverity severity, const std::string& message,
           const std::string& entry) const {
    findings->push_back({at ? at->Row() : 1, at ? at->Column() : 1, severity, message, {}, entry});
  }
  void AddForFile(const std::string& file, LintSeverity severity, const std::string& message,
                  const std::string& entry) const {
    findings->push_back({0, 0, severity, message, file, entry});
  }
};
