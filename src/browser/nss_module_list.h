// Reading a Firefox profile's module list (pkcs11.txt) for what NSS's tools
// would load from it. NSS loads every module the list names, and the user
// writes that file: a module other than NSS's own would run inside
// certutil. Portable.
#pragma once
#include <string>
#include <string_view>

// Module lists larger than this are not read, and the step refuses them.
constexpr size_t kModuleListMaxBytes = 1024 * 1024;

// True when every module entry of `text` is NSS's own internal module (an
// empty "library="). Otherwise false, with the first library named in
// `foreign`. Keys are compared without regard to case and spaces around
// them, values without surrounding spaces or one pair of quotes, as NSS
// reads them; blank lines separate entries and "#" starts a comment line.
bool NamesOnlyNssModules(std::string_view text, std::string* foreign);
