// Lint checks of the script's element structure that the parser lets
// through or reports poorly: elements where texts belong (an action pasted
// into ActionDescString, an element inside a text), and an element left
// open, reported where it was opened rather than where the parser noticed.
#pragma once
#include <string>
#include <vector>

#include "authoring/lint_context.h"

// Elements inside SetupInfo and CustomInfo values and inside the texts of
// CustomString and ActionDescString.
void LintTextSections(const LintContext& context);

// For a text the parser refused: the element left open (or the closing tag
// that closes nothing), as a finding at its own line. False when the tags
// pair up, so the parser's own finding stands.
bool FindUnclosedElement(const std::string& text, LintFinding* finding);
