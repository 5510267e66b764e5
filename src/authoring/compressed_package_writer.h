// Producing compressed packages (compressed_package.h) from a tree of
// PackNodes (package_writer.h): for `cxpack pack --compress`, `cxpack build
// --compress` and tests. Output is deterministic: the same tree and options
// give the same bytes, whatever the number of threads (each frame is
// compressed on its own, with the same parameters).
//
// What goes where: the table lists every folder and file in the order the
// archive reader lists them (depth first, each folder sorted by name). The
// setup script, when there is one, has a frame of its own, first, so the
// script is decoded without anything else when the package loads. The other
// files follow in table order; a new frame begins with every folder and
// with the first file after a frame holds options.frameBytes, so a folder
// is decoded without its neighbours, frames begin where files do (a setup
// writes from several frames at once) and one file never costs more than
// about two frames' bytes before it. A file larger than frameBytes begins a
// frame and spans frames of that size.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "authoring/package_writer.h"

struct CompressOptions {
  int level = 19;                    // zstd level
  uint32_t frameBytes = 64u << 20;   // content of one frame, at most
  unsigned threads = 0;              // 0: one per processor
};

// Builds the compressed package of the given top-level entries. Fails with
// CX_E_BAD_DATA (`error` says why) when a name is empty or 260 bytes or
// longer, the content would reach 4 GiB, or a file cannot be read;
// CX_E_OUT_OF_MEMORY when the compressor cannot be made. `package` is
// untouched on failure.
CxResult BuildCompressedPackage(const std::vector<PackNode>& topLevel, const CompressOptions& options,
                                std::string* package, std::string* error);

// LoadPackTree followed by BuildCompressedPackage.
CxResult PackFolderCompressed(const std::u16string& dir, uint32_t codePage,
                              const CompressOptions& options, std::string* package,
                              std::string* error);
