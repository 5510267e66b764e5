// How an action reaches the package's files. The package folder is filled
// on demand (package/package_store.h): when the package loads only the
// script is on disk. So every action that hands a path inside the package
// folder to anything else -- a program it starts (which may load DLLs or
// read files beside it), a .reg file it imports, a certificate file it
// reads, the CertToReg tools of the Firefox step, a file it deletes --
// first calls EnsurePackagePath with that path (or EnsurePackagePathsIn
// with a command line). The call extracts the whole package folder that
// holds the path (a path naming a folder: that folder), with everything
// below it, once per run; for a path outside the package it does nothing.
//
// Only the File action is exempt: a File copy whose source is still only in
// the archive writes the bytes straight from the archive into place, and it
// asks for the path itself when it needs the file on disk (a version
// comparison against an installed file).
//
// Call from the worker thread while actions run, or from the main thread
// before the worker starts: the store is not shared between threads.
#pragma once
#include "common/result_codes.h"
#include "engine/install_context.h"

// 0 when `path` can be read on disk (or lies outside the package, or there
// is no store: nothing to do); CX_E_FAIL when extraction failed.
CxResult EnsurePackagePath(InstallContext* context, const char16_t* path);
// The same for every package path found in `text` (a command line).
CxResult EnsurePackagePathsIn(InstallContext* context, const char16_t* text);
