// $(name) expansion over the whole script text.
#include "package/variables.h"

#include <cstring>

#include "package/variable_dictionary.h"

namespace {

bool StartsEntity(const char* p) {
  static const char* const kEntities[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
  for (const char* e : kEntities)
    if (std::strncmp(p, e, std::strlen(e)) == 0) return true;
  return false;
}

// One pass from `src` into `dst` with room for `capacity` bytes including a
// terminator. `found` tells whether any reference was replaced.
CxResult ExpandPass(const std::string& src, const VariableDictionary& dict, size_t capacity,
                    std::string* dst, bool* found) {
  dst->clear();
  *found = false;
  std::string name, escaped;
  size_t pos = 0;
  for (;;) {
    size_t ref = src.find("$(", pos);
    if (ref == std::string::npos) break;
    *found = true;
    size_t before = ref - pos;
    if (before >= capacity - dst->size()) return CX_E_BUFFER_TOO_SMALL;
    dst->append(src, pos, before);
    size_t close = src.find(')', ref + 2);
    if (close == std::string::npos) return CX_E_BAD_DATA;
    if (close - (ref + 2) > kMaxVariableNameLength) return CX_E_BAD_DATA;
    name.assign(src, ref + 2, close - (ref + 2));
    const std::string* value = dict.Find(name);
    if (!value) return CX_E_BAD_DATA;
    CxResult r = EscapeXmlText(value->c_str(), &escaped);
    if (r != CX_OK) return r;
    if (escaped.size() >= capacity - dst->size()) return CX_E_BUFFER_TOO_SMALL;
    dst->append(escaped);
    pos = close + 1;
  }
  if (src.size() - pos >= capacity - dst->size()) return CX_E_BUFFER_TOO_SMALL;
  dst->append(src, pos, std::string::npos);
  return CX_OK;
}

}  // namespace

CxResult EscapeXmlText(const char* text, std::string* out) {
  if (!text || !out) return CX_E_INVALID_ARG;
  std::string result;
  size_t n = 0;
  for (const char* p = text; *p; ++p) {
    switch (*p) {
      case '<': case '>': n += 4; break;
      case '"': case '\'': n += 6; break;
      case '&': n += StartsEntity(p) ? 1 : 5; break;
      default: ++n;
    }
  }
  result.reserve(n);
  for (const char* p = text; *p; ++p) {
    switch (*p) {
      case '<': result += "&lt;"; break;
      case '>': result += "&gt;"; break;
      case '"': result += "&quot;"; break;
      case '\'': result += "&apos;"; break;
      case '&': result += StartsEntity(p) ? "&" : "&amp;"; break;
      default: result += *p;
    }
  }
  out->swap(result);
  return CX_OK;
}

size_t ExpansionBound(size_t rawLength) {
  if (rawLength > kMaxExpandedScriptBytes / kExpansionFactor) return kMaxExpandedScriptBytes;
  return rawLength * kExpansionFactor;
}

CxResult ExpandVariableText(const std::string& raw, const VariableDictionary& dict,
                            std::string* out) {
  if (!out) return CX_E_INVALID_ARG;
  if (raw.empty()) return CX_E_BAD_DATA;
  const size_t capacity = ExpansionBound(raw.size()) + 1;  // and a terminator
  std::string a = raw, b;
  for (int pass = 0; pass < kMaxExpansionPasses; ++pass) {
    bool found = false;
    CxResult r = ExpandPass(a, dict, capacity, &b, &found);
    if (r != CX_OK) return r;
    a.swap(b);
    if (!found) {
      out->swap(a);
      return CX_OK;
    }
  }
  return CX_E_BUFFER_TOO_SMALL;
}
