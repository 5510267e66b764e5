// AddRegister, DelRegister and RunRegFile: the calls into the registry
// services.
#include "actions/registry_actions.h"

#include <vector>

#include "engine/package_paths.h"
#include "package/value_rules.h"
#include "platform/deletion_limits.h"
#include "platform/registry.h"
#include "platform/registry_text.h"

namespace {
// The location both value actions work on; fails on an unknown root name.
// `out` points into `values`, which must outlive it.
CxResult LocationOf(const ActionValues& values, RegistryLocation* out) {
  RegistryLocation location;
  CxResult r = RootKeyFromName(values.Text("Root").Wide(), &location.root);
  if (r != CX_OK) return r;
  location.subKey = values.Text("SubKey").Wide();
  location.valueName = values.Text("ValueName").Wide();
  location.key64 = values.Flag("Key64") ? 1 : 0;
  *out = location;
  return CX_OK;
}
}  // namespace

CxResult ExecuteAddRegister(ActionValues* values, InstallContext*) {
  RegistryLocation location;
  CxResult r = LocationOf(*values, &location);
  if (r != CX_OK) return r;
  const WString& type = values->Text("ValueType");  // checked with case here, not by Parse
  const WString& data = values->Text("ValueData");
  if (type == WString(kRegSz)) return RegWriteString(&location, data.Wide());
  if (type == WString(kRegDword)) return RegWriteDword(&location, DwordFromText(data.Ansi()));
  if (type == WString(kRegBinary)) {
    std::vector<uint8_t> bytes;
    r = BytesFromHexText(data.Ansi(), &bytes);
    if (r != CX_OK) return r;
    return RegWriteBinary(&location, bytes.data(), static_cast<uint32_t>(bytes.size()));
  }
  return CX_E_INVALID_ARG;
}

CxResult ExecuteDelRegister(ActionValues* values, InstallContext*) {
  RegistryLocation location;
  CxResult r = LocationOf(*values, &location);
  if (r != CX_OK) return r;
  const WString& valueName = values->Text("ValueName");
  if (!valueName.IsEmpty()) return RegDeleteValue(&location);
  // A hive's top keys and the keys every program relies on are never
  // deleted whole, whatever the script's variables made of the subkey.
  const WString& subKey = values->Text("SubKey");
  if (IsDeletableSubKey(subKey.Wide()) &&
      CheckKeyDeletion(location.root, subKey.Str()) != DeletionRefusal::kNone)
    return CX_E_DELETE_REFUSED;
  return RegDeleteKeyTree(&location);
}

CxResult ExecuteRunRegFile(ActionValues* values, InstallContext* context) {
  const WString& source = values->Text("Src");
  // regedit reads the file from disk: a package file must be extracted.
  CxResult r = EnsurePackagePath(context, source.Wide());
  if (r != CX_OK) return r;
  return ImportRegFile(source.Wide(), values->Flag("Key64") ? 1 : 0);
}
