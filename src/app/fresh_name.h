// Claiming a new, unused name in the shared temporary folder: something
// already there may belong to someone else, so a clash draws another number.
#pragma once
#include <functional>
#include <string>

// Draws up to `tries` names from `format` (one %s for `folder`, one %08X for
// the number) and calls `claim` with each. `claim` returns 0 when it made the
// object, 1 when the name was taken, anything else to give up. Returns true
// with `made` set when a name was claimed; `made` is untouched otherwise.
bool ClaimFreshName(const char16_t* format, const std::u16string& folder, int tries,
                    const std::function<int(const char16_t* name)>& claim, std::u16string* made);
