// The help texts of cxpack's commands, in one place so that the overview
// and each command's own text cannot disagree.
#include "command_help.h"

#include <cstring>

namespace {

struct Help {
  const char* command;
  const char* text;
};

const Help kHelp[] = {
    {"init",
     "usage: cxpack init DIR [--product NAME] [--publisher NAME] [--version A.B.C.D] [--code CODE]\n"
     "writes a minimal package into DIR (new or empty): a setup script whose install\n"
     "list copies PackageFiles/Product/ into the install folder and writes the\n"
     "product's uninstall entry, and whose uninstall list removes both; every text\n"
     "in zh_cn, en_us and zh_tw; and a logo in the one place the wizard draws it.\n"
     "Defaults: MyProduct, MyCompany, 1.0.0.0, and a code made of publisher and\n"
     "product. The package lints clean and builds as it is.\n"},
    {"lint",
     "usage: cxpack lint PACKAGE_DIR|SCRIPT [--codepage 1252|936]\n"
     "prints FILE:LINE:COL: error|warning|note: message per finding, for editors and\n"
     "CI; exit status 1 when any is an error. --codepage is the code page the\n"
     "package's file names must fit (as for pack; without it: ASCII names only).\n"},
    {"plan",
     "usage: cxpack plan PACKAGE_DIR|SCRIPT|SETUP [--mode install|uninstall]\n"
     "                   [--lang zh_cn|en_us|zh_tw] [--os 64|32] [--json]\n"
     "prints the mode's list and then its finish list as the setup would carry them\n"
     "out on a standard Windows, without doing anything (defaults: install, en_us,\n"
     "64). SETUP is a setup program cxpack build wrote: its own script is planned.\n"},
    {"build",
     "usage: cxpack build PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936] [--no-lint]\n"
     "                    [--compress]\n"
     "writes a setup program: the stub with the package folder embedded (with\n"
     "--compress: the compressed package, Zstandard) and a\n"
     "version record from its SetupInfo; the same inputs give the same bytes. Lint\n"
     "runs first and an error stops the build. Without --stub the stub\n"
     "cxsetup_stub.exe is looked for beside cxpack, then in share/cxsetup/ of its\n"
     "prefix (../share/cxsetup/ from the program), then in the Windows build tree of\n"
     "the source tree cxpack was built from.\n"},
    {"msi",
     "usage: cxpack msi PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936] [--compress] [--no-lint]\n"
     "writes a Windows Installer package that runs the setup cxpack build would\n"
     "write (same options), for Group Policy and Configuration Manager. The MSI's\n"
     "runner, cxsetup_msi_runner.dll, is looked for beside the stub.\n"},
    {"pack",
     "usage: cxpack pack DIR -o FILE [--codepage 1252|936] [--compress]\n"
     "stores the contents of DIR as a package archive's top level (with\n"
     "--compress: the compressed package, Zstandard); names must be ASCII unless\n"
     "a code page is given.\n"},
    {"list",
     "usage: cxpack list ARCHIVE|SETUP [--codepage 1252|936]\n"
     "prints PATH<TAB>SIZE per entry, in reading order, of a package archive or of\n"
     "the package inside a setup program.\n"},
    {"extract",
     "usage: cxpack extract ARCHIVE|SETUP DEST [--only PATH] [--codepage 1252|936]\n"
     "writes the entries of a package archive, or of the package inside a setup\n"
     "program, below DEST. --only takes one entry path, compared ignoring case, with\n"
     "either separator and with or without the leading one:\n"
     "PackageFiles/SetupScript.xml and \\PackageFiles\\SetupScript.xml are the same.\n"},
    {"cert",
     "usage: cxpack cert FILE...\n"
     "prints the key algorithm of DER certificates as certificate removal sees it,\n"
     "in hexadecimal, then a name (\"0x1 RSA 2048-bit\"); with more than one FILE each\n"
     "line begins with the file's name.\n"},
    {"help",
     "usage: cxpack help [COMMAND|script|script#ENTRY]\n"
     "prints the commands, one command's usage, or the setup script's reference\n"
     "(docs/script-reference.md), whole or one entry of it, e.g. script#File.\n"},
};

const char kOverview[] =
    "usage: cxpack COMMAND ...\n"
    "  init DIR [--product NAME] [--publisher NAME] [--version A.B.C.D] [--code CODE]\n"
    "  lint PACKAGE_DIR|SCRIPT [--codepage 1252|936]\n"
    "  plan PACKAGE_DIR|SCRIPT|SETUP [--mode install|uninstall] [--lang zh_cn|en_us|zh_tw]\n"
    "       [--os 64|32] [--json]\n"
    "  build PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936] [--no-lint]\n"
    "  msi PACKAGE_DIR -o FILE [--stub PATH] [--codepage 1252|936] [--compress] [--no-lint]\n"
    "  pack DIR -o FILE [--codepage 1252|936]\n"
    "  list ARCHIVE|SETUP [--codepage 1252|936]\n"
    "  extract ARCHIVE|SETUP DEST [--only PATH] [--codepage 1252|936]\n"
    "  cert FILE...\n"
    "  help [COMMAND|script|script#ENTRY]\n"
    "\"cxpack help COMMAND\" tells more about one command, \"cxpack help script\" about\n"
    "the setup script. Options may also be written\n"
    "--name=value. Exit status: 0 done, 1 failed (\"cxpack: PATH: reason\"), 2 usage.\n";

}  // namespace

const char* OverviewHelp() { return kOverview; }

const char* CommandHelp(const std::string& command) {
  for (const Help& h : kHelp)
    if (command == h.command) return h.text;
  return nullptr;
}
