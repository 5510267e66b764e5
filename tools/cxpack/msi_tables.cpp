// The MSI's tables as IDT text, and its name-based GUIDs.
#include "msi_tables.h"

#include <cstdio>

#include "common/codepage.h"
#include "sha256.h"

namespace {

// The namespace of every name this tool turns into a GUID.
constexpr uint8_t kGuidNamespace[16] = {0x68, 0x5e, 0x6f, 0x5e, 0x3a, 0xb9, 0x4a, 0xb6,
                                        0xa7, 0x3c, 0x06, 0x98, 0x43, 0xbc, 0x97, 0xb4};

// Holds the GUIDs of the products this one replaces (public, upper case,
// and listed as secure, so Windows Installer hands it to the elevated part).
constexpr char kOlderVersionsProperty[] = "CXOLDERVERSIONS";

// msidbUpgradeAttributesVersionMaxInclusive: Windows Installer compares
// only three parts, so an older package that differs in the fourth part
// alone compares equal and must still be found.
constexpr int kUpgradeVersionMaxInclusive = 512;
// Deferred (1024), without impersonation (2048), a DLL from the Binary
// table (1): runs elevated in Windows Installer's own process.
constexpr int kElevatedDllAction = 3073;

class Idt {
 public:
  // `columns`, `types` and the primary key columns `keys` tab-separated.
  Idt(const char* table, const char* columns, const char* types, const char* keys) : table_(table) {
    text_ = std::string(columns) + "\r\n" + types + "\r\n" + table + "\t" + keys + "\r\n";
  }
  Idt& Row(const std::vector<std::string>& values) {
    for (size_t i = 0; i < values.size(); ++i) text_ += (i ? "\t" : "") + values[i];
    text_ += "\r\n";
    return *this;
  }
  IdtFile File() const { return {table_, text_}; }

 private:
  std::string table_;
  std::string text_;
};

std::string Decimal(uint64_t value) { return std::to_string(value); }

}  // namespace

std::string MsiProductProblem(const MsiProduct& product) {
  if (product.versionParts[0] > 255 || product.versionParts[1] > 255)
    return "Version \"" + product.version + "\": an MSI's first two version parts are at most 255";
  const struct { const char* name; const std::string* text; } texts[] = {
      {"ProductCode", &product.scriptProductCode},
      {"ProductName", &product.productName},
      {"Publisher", &product.publisher},
  };
  for (const auto& t : texts) {
    for (unsigned char c : *t.text)
      if (c < 0x20 || c == 0x7F) return std::string(t.name) + " holds a control character";
    const std::u16string wide = Utf8ToUtf16(*t.text);
    std::string narrow;
    bool exact = false;
    if (Utf16ToMultiByte(product.codePage, wide.c_str(), wide.size(), &narrow, &exact) != CX_OK || !exact)
      return std::string(t.name) + " \"" + *t.text + "\" cannot be written in code page " +
             Decimal(product.codePage) + (product.codePage == 936 ? "" : "; give --codepage 936");
  }
  return {};
}

std::string NameGuid(const std::string& name) {
  Sha256 sha;
  sha.Update(kGuidNamespace, sizeof kGuidNamespace);
  sha.Update(name);
  Sha256::Digest d = sha.Finish();
  d[6] = uint8_t((d[6] & 0x0F) | 0x80);  // version 8
  d[8] = uint8_t((d[8] & 0x3F) | 0x80);  // the RFC's variant
  char text[40];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", d[0], d[1],
                d[2], d[3], d[4], d[5], d[6], d[7], d[8], d[9], d[10], d[11], d[12], d[13], d[14], d[15]);
  return text;
}

std::string MsiUpgradeCode(const MsiProduct& product) {
  return NameGuid("upgrade\n" + product.scriptProductCode);
}

std::string MsiProductCode(const MsiProduct& product) {
  return NameGuid("product\n" + product.scriptProductCode + "\n" + product.version);
}

std::string MsiPackageCode(const MsiProduct& product, const std::string& payloadSha256) {
  return NameGuid("package\n" + MsiProductCode(product) + "\n" + payloadSha256);
}

std::vector<IdtFile> MsiTables(const MsiProduct& product, const MsiCarriedSetup& setup) {
  std::vector<IdtFile> tables;
  tables.push_back({"_ForceCodepage", "\r\n\r\n" + Decimal(product.codePage) + "\t_ForceCodepage\r\n"});

  // The custom actions read their data from the property named after them.
  tables.push_back(
      Idt("Property", "Property\tValue", "s72\tl0", "Property")
          .Row({"ProductCode", MsiProductCode(product)})
          .Row({"UpgradeCode", MsiUpgradeCode(product)})
          .Row({"ProductName", product.productName})
          .Row({"Manufacturer", product.publisher})
          .Row({"ProductVersion", product.version})
          .Row({"ProductLanguage", "1033"})
          .Row({"ALLUSERS", "1"})
          .Row({"ARPSYSTEMCOMPONENT", "1"})
          .Row({"ARPNOMODIFY", "1"})
          .Row({"ARPNOREPAIR", "1"})
          .Row({"SecureCustomProperties", kOlderVersionsProperty})
          .Row({"CxInstallSetup",
                Decimal(setup.runnerBytes) + " " + Decimal(setup.setupBytes) + " " + setup.setupSha256})
          .Row({"CxUninstallSetup", product.version + " " + product.scriptProductCode})
          .File());
  tables.push_back(Idt("Directory", "Directory\tDirectory_Parent\tDefaultDir", "s72\tS72\tl255", "Directory")
                       .Row({"TARGETDIR", "", "SourceDir"})
                       .File());
  // One hidden feature: Windows Installer registers a product by its features.
  tables.push_back(Idt("Feature", "Feature\tFeature_Parent\tTitle\tDescription\tDisplay\tLevel\tDirectory_\tAttributes",
                       "s38\tS38\tL64\tL255\tI2\ti2\tS72\ti2", "Feature")
                       .Row({"Setup", "", product.productName, "", "0", "1", "TARGETDIR", "0"})
                       .File());
  tables.push_back(Idt("Binary", "Name\tData", "s72\tv0", "Name")
                       .Row({kMsiRunnerStream, std::string(kMsiRunnerStream) + ".ibd"})
                       .Row({kMsiSetupStream, std::string(kMsiSetupStream) + ".ibd"})
                       .File());
  const std::string elevated = Decimal(kElevatedDllAction);
  tables.push_back(Idt("CustomAction", "Action\tType\tSource\tTarget", "s72\ti2\tS72\tS255", "Action")
                       .Row({"CxInstallSetup", elevated, kMsiSetupStream, "CxInstallSetup"})
                       .Row({"CxUninstallSetup", elevated, kMsiRunnerStream, "CxUninstallSetup"})
                       .File());
  tables.push_back(Idt("Upgrade", "UpgradeCode\tVersionMin\tVersionMax\tLanguage\tAttributes\tRemove\tActionProperty",
                       "s38\tS20\tS20\tS255\ti4\tS255\ts72",
                       "UpgradeCode\tVersionMin\tVersionMax\tLanguage\tAttributes")
                       .Row({MsiUpgradeCode(product), "", product.version, "",
                             Decimal(kUpgradeVersionMaxInclusive), "", kOlderVersionsProperty})
                       .File());

  // The setup runs on a first install only (a repeated install of the same
  // package changes nothing). Its uninstall runs on a removal, but not when
  // a newer package removes this one's registration after its own setup
  // has already upgraded the product (the runner also compares the
  // installed version, for installers that don't say so). Older
  // registrations go last, once the new setup has succeeded.
  tables.push_back(Idt("InstallExecuteSequence", "Action\tCondition\tSequence", "s72\tS255\tI2", "Action")
                       .Row({"FindRelatedProducts", "", "25"})
                       .Row({"CostInitialize", "", "800"})
                       .Row({"FileCost", "", "900"})
                       .Row({"CostFinalize", "", "1000"})
                       .Row({"InstallValidate", "", "1400"})
                       .Row({"InstallInitialize", "", "1500"})
                       .Row({"CxUninstallSetup", "REMOVE=\"ALL\" AND NOT UPGRADINGPRODUCTCODE", "1700"})
                       .Row({"UnpublishFeatures", "", "1800"})
                       .Row({"CxInstallSetup", "NOT Installed", "4000"})
                       .Row({"RegisterProduct", "", "6100"})
                       .Row({"PublishFeatures", "", "6300"})
                       .Row({"PublishProduct", "", "6400"})
                       .Row({"InstallFinalize", "", "6600"})
                       .Row({"RemoveExistingProducts", "", "6700"})
                       .File());
  tables.push_back(Idt("InstallUISequence", "Action\tCondition\tSequence", "s72\tS255\tI2", "Action")
                       .Row({"FindRelatedProducts", "", "25"})
                       .Row({"CostInitialize", "", "800"})
                       .Row({"FileCost", "", "900"})
                       .Row({"CostFinalize", "", "1000"})
                       .Row({"ExecuteAction", "", "1300"})
                       .File());
  return tables;
}
