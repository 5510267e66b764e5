// What StartProcess, the Firefox step and the wizard read from the package.
#include "authoring/lint_package_reads.h"

#include <cstring>
#include <fstream>
#include <filesystem>

#include "common/codepage.h"
#include "common/strings.h"
#include "common/wstring.h"
#include "authoring/package_file_index.h"
#include "package/script_element.h"
#include "package/script_vocabulary.h"

namespace {

const char* const kRunLists[] = {kInstallList, kUninstallList, kInstallFinishList, kUninstallFinishList};

std::string Utf8(const char* text, int encoding) {
  if (!text) return {};
  return Utf16ToUtf8(WString(text, CodePageOfEncoding(encoding)).Str());
}

// Calls `visit(raw, expanded)` for each action element of the lists a run
// reads, paired by position (the expansion keeps the element structure).
template <typename Visit>
void ForEachListedAction(const LintContext& c, Visit visit) {
  if (!c.rawConfig || !c.expandedConfig) return;
  const TiXmlElement* x = c.expandedConfig->FirstChildElement();
  for (const TiXmlElement* r = c.rawConfig->FirstChildElement(); r && x;
       r = r->NextSiblingElement(), x = x->NextSiblingElement()) {
    const char* name = r->Attribute(kListNameAttribute);
    bool runs = std::strcmp(r->Value(), kListSection) == 0 && name;
    bool known = false;
    for (const char* list : kRunLists) known = known || (runs && std::strcmp(name, list) == 0);
    if (!known) continue;
    const TiXmlElement* xe = x->FirstChildElement();
    for (const TiXmlElement* re = r->FirstChildElement(); re && xe;
         re = re->NextSiblingElement(), xe = xe->NextSiblingElement())
      visit(re, xe);
  }
}

// The part of `path` below the package folder, or empty when it lies
// elsewhere.
std::string InPackage(const LintContext& c, const std::string& path) {
  const std::string& root = c.srcroot;
  if (root.empty() || path.size() <= root.size() ||
      StrCompareNoCaseA(path.substr(0, root.size()).c_str(), root.c_str()) != 0)
    return {};
  return path.substr(root.size());
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

std::string LintPackagePath(const char16_t* packagePath) {
  std::string path = Utf16ToUtf8(packagePath);
  for (char& ch : path)
    if (ch == '\\') ch = '/';
  return path;
}

void LintProgramSources(const LintContext& c) {
  if (c.options->packageDir.empty()) return;
  const PackageFileIndex files(c.options->packageDir);
  ForEachListedAction(c, [&](const TiXmlElement* raw, const TiXmlElement* expanded) {
    if (std::strcmp(raw->Value(), kStartProcessType) != 0) return;
    std::string program = Utf8(expanded->Attribute("Src"), c.encoding);
    if (program.size() >= 2 && program.front() == '"' && program.back() == '"')
      program = program.substr(1, program.size() - 2);
    const std::string rel = InPackage(c, program);
    if (!rel.empty() && !files.Has(rel))
      c.Add(raw, LintSeverity::kError,
            "StartProcess source " + Quoted(rel) + " is not in the package: the program does not start",
            kStartProcessType);
    // Package files the command line hands the program: each runs from the
    // package folder's path to a closing quote, or to a space when unquoted.
    const std::string line = Utf8(expanded->Attribute("CmdLine"), c.encoding);
    for (size_t at = 0; at < line.size(); ++at) {
      const std::string from = InPackage(c, line.substr(at));
      if (from.empty()) continue;
      const bool quoted = at > 0 && line[at - 1] == '"';
      const std::string named = from.substr(0, from.find(quoted ? "\"" : " \t"));
      if (!named.empty() && !files.Has(named))
        c.Add(raw, LintSeverity::kError,
              "StartProcess's CmdLine names " + Quoted(named) + ", which is not in the package",
              kStartProcessType);
      at += c.srcroot.size() + named.size() - 1;
    }
  });
}

void LintCertToRegTools(const LintContext& c) {
  if (c.options->packageDir.empty()) return;
  const PackageFileIndex files(c.options->packageDir);
  const std::string folder = LintPackagePath(kCertToRegPackagePath);
  if (!files.Has(folder + "/certutil.exe")) return;  // without it the Firefox step does nothing
  if (!files.Has(folder + "/wSpawn.exe"))
    c.AddForFile(folder, LintSeverity::kError,
                 "certutil.exe without wSpawn.exe, the launcher the Firefox step starts it through: "
                 "the root is never added to Firefox",
                 "CertToReg");
  bool root = false;
  for (const std::string& name : files.FileNames(folder)) {
    std::string lower = name;
    for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    root = root || (lower.find("root") != std::string::npos && name.find(".cer") != std::string::npos);
  }
  if (!root)
    c.AddForFile(folder, LintSeverity::kError,
                 "certutil.exe without a root certificate (a name holding \"root\" and \".cer\"): "
                 "the Firefox step adds nothing",
                 "CertToReg");
}

void LintLogo(const LintContext& c) {
  if (c.options->packageDir.empty()) return;
  const std::string logoPath = LintPackagePath(kLogoPackagePath);
  const PackageFileIndex files(c.options->packageDir);
  const std::string where = "; it draws its logo (a BMP, PNG or GIF; 438 x 98 pixels fill the area) from "
                            "this place only, whatever the product";
  if (!files.Has(logoPath)) {
    c.AddForFile(logoPath, LintSeverity::kNote,
                 "no logo here: the wizard's banner stays blank" + where, "logo");
    return;
  }
  if (!files.Present(logoPath)) return;  // staged later
  char head[4] = {};
  std::ifstream logo(std::filesystem::path(c.options->packageDir) / std::filesystem::u8path(logoPath),
                     std::ios::binary);
  if (!logo.is_open()) return;  // its name differs in case: found by Windows, not here
  logo.read(head, sizeof head);
  const std::string magic(head, size_t(logo.gcount()));
  if (magic.compare(0, 2, "BM") != 0 && magic.compare(0, 4, "\x89PNG") != 0 && magic.compare(0, 4, "GIF8") != 0)
    c.AddForFile(logoPath, LintSeverity::kWarning,
                 "the logo is no BMP, PNG or GIF: the wizard's banner stays blank" + where, "logo");
}
