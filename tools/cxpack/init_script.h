// The setup script `cxpack init` writes: a complete minimal product.
#pragma once
#include <string>

struct InitIdentity {
  std::string code, product, publisher, version;  // UTF-8, already checked
};

// The script's text (UTF-8) for `id`; every value XML-escaped.
std::string InitScriptText(const InitIdentity& id);

// Where the install list copies from, below the package folder.
inline constexpr char kInitProductFolder[] = "PackageFiles/Product";
