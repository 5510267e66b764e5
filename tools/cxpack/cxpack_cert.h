// `cxpack cert FILE...`: what certificate removal will see for DER files.
#pragma once
#include <string>
#include <vector>

// Prints "<key algorithm in hex> <name>" per decodable file on stdout (each
// line begun by "FILE: " when there are several files); for a
// file that does not decode, "cxpack: FILE: 0xE06000xx reason" on stderr.
// 0 when every file decoded, 1 otherwise, 2 without a file.
int CertCommand(const std::vector<std::string>& files);
