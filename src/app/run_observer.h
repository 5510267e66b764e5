// RunObserver: what a setup run tells whoever presents it (the wizard
// dialog). The run decides everything; the observer only shows. Every call
// but ShowMessage comes from the run's worker thread. A quiet run has no
// observer and shows nothing.
#pragma once
#include <cstdint>

#include "common/wstring.h"

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // A message box; `style` holds its MB_ icon and flags.
  virtual void ShowMessage(const WString& text, const WString& caption, uint32_t style) = 0;
  // An action is about to run or has run: the progress bar is shown.
  virtual void ShowProgressBar() = 0;
  // The bar moves to `percent` (0..100).
  virtual void SetProgress(uint32_t percent) = 0;
  // The main list ended: the page with the result.
  virtual void ShowResult(bool succeeded) = 0;
  // The end of a silent install: a notification balloon, held for its
  // time-out before this returns.
  virtual void Announce(const WString& body, const WString& title) = 0;
  // The run has ended the program's work (a silent or cancelled run): the
  // presentation ends without waiting for the user.
  virtual void EndPresentation() = 0;
};
