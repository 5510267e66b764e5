// The DLLs the setup loads at run time from the system folder (crypt32,
// version), loaded at start-up: a system that lacks one ends the setup
// before it changes anything, with a clear message instead of a crash
// half-way through. Windows only.
#pragma once

// True when every one loaded. Otherwise writes a log line naming the DLL
// (and the entry point), shows a message unless `quiet`, and is false: the
// setup then ends with 1603.
bool SystemLibrariesReady(bool quiet);
