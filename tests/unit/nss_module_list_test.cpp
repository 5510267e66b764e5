// The Firefox step's reading of a profile's module list: one row per way a
// module other than NSS's own could be named, and the lists that name none.
#include <gtest/gtest.h>

#include <string>

#include "browser/nss_module_list.h"

TEST(NssModuleList, OnlyTheInternalModulePasses) {
  const std::string internal =
      "library=\n"
      "name=NSS Internal PKCS #11 Module\n"
      "parameters=configdir='sql:C:\\\\p' certPrefix='' keyPrefix='' secmod='secmod.db'\n"
      "NSS=Flags=internal,critical trustOrder=75 cipherOrder=100\n";
  const struct {
    std::string text;
    const char* foreign;  // null: passes
  } cases[] = {
      {"", nullptr},                                              // no list content at all
      {internal, nullptr},                                        // what Firefox writes
      {"\r\n# library=C:\\x.dll\r\n" + internal, nullptr},        // a comment, CRLF lines
      {"library=\"\"\nname=q\n", nullptr},                        // an empty quoted library
      {internal + "\nlibrary=C:\\evil\\p11.dll\nname=Token\n", "C:\\evil\\p11.dll"},  // a second module
      {"LIBRARY=x.dll\n", "x.dll"},                               // key in another case
      {"  library = 'C:\\a b.dll'  \n", "C:\\a b.dll"},           // spaces and quotes around
      {"library=\"C:\\q\"\r\n", "C:\\q"},                         // quoted, CRLF
      {"library=noext\n", "noext"},                               // Windows adds ".dll" itself
      {"name=a\nlibrary=\\\\server\\share\\m.dll", "\\\\server\\share\\m.dll"},  // last line, no newline
  };
  for (const auto& c : cases) {
    std::string foreign = "untouched";
    EXPECT_EQ(NamesOnlyNssModules(c.text, &foreign), c.foreign == nullptr) << c.text;
    EXPECT_EQ(foreign, c.foreign ? std::string(c.foreign) : std::string("untouched")) << c.text;
  }
}
