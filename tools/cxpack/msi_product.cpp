// The product's identity for the MSI, from the expanded setup script.
#include "msi_product.h"

#include "common/codepage.h"
#include "common/version_number.h"
#include "common/wstring.h"
#include "package/setup_script.h"

bool ReadMsiProduct(const std::string& scriptPath, uint32_t codePage, MsiProduct* product,
                    std::string* reason) {
  SetupScript script;
  const CxResult loaded = script.Load(Utf8ToUtf16(scriptPath).c_str());
  if (loaded == CX_E_NOT_WELL_FORMED) return *reason = "not well-formed", false;
  if (loaded != CX_OK) return *reason = "cannot read the setup script", false;
  if (script.SetSystemVariables("C:\\package\\") != CX_DONE || script.ExpandVariables() != CX_OK)
    return *reason = "variables do not expand", false;
  MsiProduct read;
  read.codePage = codePage;
  std::string installDir;
  const struct { const char* key; std::string* out; } fields[] = {
      {"ProductCode", &read.scriptProductCode},
      {"ProductName", &read.productName},
      {"Publisher", &read.publisher},
      {"Version", &read.version},
      {"InstallDir", &installDir},
  };
  for (const auto& f : fields) {
    WString value;
    if (script.GetString(f.key, &value) != CX_OK || value.Str().empty())
      return *reason = std::string("SetupInfo has no ") + f.key, false;
    *f.out = Utf16ToUtf8(value.Str());
  }
  uint64_t version = 0;
  if (ParseVersionString(Utf8ToUtf16(read.version).c_str(), &version) != CX_DONE)
    return *reason = "Version \"" + read.version + "\" is not four numbers below 65536", false;
  VersionParts(version, read.versionParts);
  // The MSI writes it plainly: "6, 3, 0, 10" is 6.3.0.10.
  read.version.clear();
  for (int i = 0; i < 4; ++i) read.version += (i ? "." : "") + std::to_string(read.versionParts[i]);
  const std::string problem = MsiProductProblem(read);
  if (!problem.empty()) return *reason = problem, false;
  *product = read;
  return true;
}
