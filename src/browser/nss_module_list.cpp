// The module list reader.
#include "browser/nss_module_list.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

bool NamesOnlyNssModules(std::string_view text, std::string* foreign) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (!EqualsNoCase(Trim(line.substr(0, equals)), "library")) continue;
    std::string_view library = Trim(line.substr(equals + 1));
    if (library.size() >= 2 && (library.front() == '"' || library.front() == '\'') &&
        library.back() == library.front())
      library = Trim(library.substr(1, library.size() - 2));
    if (library.empty()) continue;
    if (foreign) foreign->assign(library);
    return false;
  }
  return true;
}
