// AddRegister, DelRegister and RunRegFile: attribute reading, the progress
// line, and the calls into the registry services.
#include "actions/registry_actions.h"

#include <new>
#include <vector>

#include "actions/attribute_reading.h"
#include "engine/package_paths.h"
#include "platform/deletion_limits.h"
#include "platform/registry.h"
#include "platform/registry_text.h"

namespace {
WString RegistryPath(const WString& root, const WString& subKey, const WString& valueName) {
  WString path = root;
  path.Append(u"\\");
  path.Append(subKey);
  path.Append(u"\\");
  path.Append(valueName);
  return path;
}

// Root and SubKey, the start of both value actions' Parse.
CxResult ReadKeyPath(const SchemaReader& read, WString* root, WString* subKey) {
  CxResult r = read.Text("Root", root);
  return r != CX_OK ? r : read.Text("SubKey", subKey);
}

// The location both value actions work on; fails on an unknown root name.
// `out` points into the texts, which must outlive it.
CxResult LocationOf(const WString& root, const WString& subKey, const WString& valueName,
                    uint32_t key64, RegistryLocation* out) {
  RegistryLocation location;
  CxResult r = RootKeyFromName(root.Wide(), &location.root);
  if (r != CX_OK) return r;
  location.subKey = subKey.Wide();
  location.valueName = valueName.Wide();
  location.key64 = key64;
  *out = location;
  return CX_OK;
}
}  // namespace

// ---- AddRegister ----

CxResult AddRegisterAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "AddRegister");
  CxResult r = ReadKeyPath(read, &root_, &subKey_);
  if (r != CX_OK) return r;
  read.Text("ValueName", &valueName_);
  // The type is checked, with case, when the value is written.
  read.Text("ValueType", &valueType_);
  r = read.Text("ValueData", &valueData_);  // empty only for "REG_BINARY"
  if (r != CX_OK) return r;
  key64_ = read.Flag("Key64");
  read.Text("os", &osFilter_);
  parsed_ = 1;
  return CX_OK;
}

CxResult AddRegisterAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "AddRegister", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"path", RegistryPath(root_, subKey_, valueName_));
  *out = text;
  return CX_OK;
}

CxResult AddRegisterAction::Execute(InstallContext*) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  if (SkippedByOsFilter(osFilter_)) return CX_OK;
  RegistryLocation location;
  r = LocationOf(root_, subKey_, valueName_, key64_, &location);
  if (r != CX_OK) return r;
  if (valueType_ == WString(u"REG_SZ")) return RegWriteString(&location, valueData_.Wide());
  if (valueType_ == WString(u"REG_DWORD"))
    return RegWriteDword(&location, DwordFromText(valueData_.Ansi()));
  if (valueType_ == WString(u"REG_BINARY")) {
    std::vector<uint8_t> bytes;
    r = BytesFromHexText(valueData_.Ansi(), &bytes);
    if (r != CX_OK) return r;
    return RegWriteBinary(&location, bytes.data(), static_cast<uint32_t>(bytes.size()));
  }
  return CX_E_INVALID_ARG;
}

// ---- DelRegister ----

CxResult DelRegisterAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "DelRegister");
  CxResult r = ReadKeyPath(read, &root_, &subKey_);
  if (r != CX_OK) return r;
  read.Text("ValueName", &valueName_);  // empty: the whole key tree
  key64_ = read.Flag("Key64");
  read.Text("os", &osFilter_);
  parsed_ = 1;
  return CX_OK;
}

CxResult DelRegisterAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "DelRegister", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"path", RegistryPath(root_, subKey_, valueName_));
  text.Append(key64_ ? u" m_b64Key=true" : u" m_b64Key=false");
  *out = text;
  return CX_OK;
}

CxResult DelRegisterAction::Execute(InstallContext*) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  if (SkippedByOsFilter(osFilter_)) return CX_OK;
  RegistryLocation location;
  r = LocationOf(root_, subKey_, valueName_, key64_, &location);
  if (r != CX_OK) return r;
  if (!valueName_.IsEmpty()) return RegDeleteValue(&location);
  // A hive's top keys and the keys every program relies on are never
  // deleted whole, whatever the script's variables made of the subkey.
  if (IsDeletableSubKey(subKey_.Wide()) &&
      CheckKeyDeletion(location.root, subKey_.Str()) != DeletionRefusal::kNone)
    return CX_E_DELETE_REFUSED;
  return RegDeleteKeyTree(&location);
}

// ---- RunRegFile ----

CxResult RunRegFileAction::Parse(int force) {
  if (ParseDone(force)) return CX_OK;
  if (!element_) return CX_E_INVALID_ARG;
  SchemaReader read(element_, "RunRegFile");
  CxResult r = read.Text("Src", &source_);
  if (r != CX_OK) return r;
  key64_ = read.Flag("Key64");
  read.Text("os", &osFilter_);
  parsed_ = 1;
  return CX_OK;
}

CxResult RunRegFileAction::Describe(ScriptElement* templates, InstallContext*, WString* out) {
  WString text;
  CxResult r = BeginDescription(templates, "RunRegFile", &text);
  if (r != CX_OK) return r;
  FillPlaceholder(&text, u"src", source_);
  *out = text;
  return CX_OK;
}

CxResult RunRegFileAction::Execute(InstallContext* context) {
  CxResult r = Parse(0);
  if (r != CX_OK) return r;
  // Unlike the other actions, no "os64" means a 32-bit Windows only.
  if (IsOs64Filter(osFilter_) != (IsOs64Bit() == 1)) return CX_OK;
  // regedit reads the file from disk: a package file must be extracted.
  r = EnsurePackagePath(context, source_.Wide());
  if (r != CX_OK) return r;
  return ImportRegFile(source_.Wide(), key64_);
}

// ---- factories ----

Action* CreateAddRegisterAction(ScriptElement* element) {
  return new (std::nothrow) AddRegisterAction(element);
}
Action* CreateDelRegisterAction(ScriptElement* element) {
  return new (std::nothrow) DelRegisterAction(element);
}
Action* CreateRunRegFileAction(ScriptElement* element) {
  return new (std::nothrow) RunRegFileAction(element);
}
