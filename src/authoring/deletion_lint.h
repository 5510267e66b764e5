// Lint's look at what DelDir and DelRegister delete: a warning when a
// DelDir path, or the subkey of a DelRegister that deletes a whole key, can
// expand to something the setup refuses to delete (platform/
// deletion_limits.h), so the run would stop there.
//
// How lint knows: it expands the attribute itself with the script's own
// definitions, in each of the three languages and for a 64-bit and a 32-bit
// Windows with the standard folders, a relative path resolved against the
// elevated working folder (C:\Windows\Temp). A variable that the script
// defines empty (in SetupInfo or CustomInfo, or in one language of
// CustomString) thus turns "$(ToolDir)\" into "\", the drive root, and the
// warning names that variable and where it is empty.
#pragma once
#include <vector>

#include "authoring/script_lint.h"

class TiXmlElement;

// Adds the warnings for the DelDir and DelRegister elements of the script's
// lists. `config` is the raw document's Config element, `encodingCode` the
// script's (setup_script.h).
void LintDeletionTargets(const TiXmlElement* config, int encodingCode,
                         std::vector<LintFinding>* findings);
