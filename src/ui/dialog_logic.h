// Decisions of the setup dialog, kept apart from the window so they can be
// checked without one: which texts and buttons a run mode shows, how keys
// and the close box are treated, and where the logo lies. The run's own
// decisions are in app/run_policy.h. Portable.
#pragma once
#include <cstdint>

#include "common/wstring.h"

// Texts and buttons of one side of the dialog. Install mode has the install
// side; every other mode is treated as uninstall.
struct ModePage {
  const char* titleKey;
  const char* welcomeKey;
  const char* tipKey;     // shown while the run goes on
  const char* okKey;      // run succeeded
  const char* failedKey;  // run failed
  int runButtonId;        // shown: Install (1002) or Uninstall (1004)
  int otherButtonId;      // hidden
};
ModePage PageForMode(int32_t mode);

// How the modal loop treats a message before the dialog manager sees it.
enum class KeyAnswer { kPass, kPressFocused, kSwallow };
// Enter presses the focused control when there is one that can be used;
// Escape never closes the dialog.
KeyAnswer KeyAnswerFor(uint32_t message, uint32_t key, bool usableFocusedControl);

// The close box does nothing while a list runs (see app/run_policy.h).
bool CloseIgnored(int32_t runState);

// The logo drawn into the dialog's top area, inside the package folder;
// empty while there is no package folder.
WString LogoPath(const WString& packageFolder);
