// `cxpack msi PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936]
// [--compress] [--no-lint]`: writes a Windows Installer package that carries
// the setup `cxpack build` writes from the same options, for Group Policy
// and Configuration Manager (see msi_tables.h for what it does).
#pragma once
#include <string>
#include <vector>

// `args` starts with "msi". Exit status: 0 written, 1 failed (one line
// "cxpack: PATH: reason" on stderr, after lint's findings if any; no output
// file left behind), 2 usage.
int RunMsi(const std::vector<std::string>& args);
