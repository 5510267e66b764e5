// TinyXML access for the setup script.
#include "package/xml_access.h"

#include <cstring>
#include <new>
#include <string>

#include <tinyxml.h>

#include "common/strings.h"

namespace {

// Longer than any UTF-8 sequence TinyXML steps over.
constexpr size_t kTerminatorPadding = 8;

// Finds `token` at or after `from`; returns the index after it, or `end`.
size_t SkipPast(const char* s, size_t from, size_t end, const char* token) {
  size_t n = std::strlen(token);
  for (size_t i = from; i + n <= end; ++i)
    if (std::memcmp(s + i, token, n) == 0) return i + n;
  return end;
}

// Upper bound of the element nesting, cheap enough to run before TinyXML
// sees the text. Comments, CDATA, declarations and quoted attribute values
// are skipped like TinyXML does, so their brackets don't count.
bool NestingWithinLimit(const char* s, size_t end) {
  uint32_t depth = 0;
  size_t i = 0;
  while (i < end) {
    if (s[i] != '<') { ++i; continue; }
    if (i + 4 <= end && std::memcmp(s + i, "<!--", 4) == 0) {
      i = SkipPast(s, i + 4, end, "-->");
    } else if (i + 9 <= end && std::memcmp(s + i, "<![CDATA[", 9) == 0) {
      i = SkipPast(s, i + 9, end, "]]>");
    } else if (i + 1 < end && s[i + 1] == '?') {
      i = SkipPast(s, i + 2, end, "?>");
    } else if (i + 1 < end && (s[i + 1] == '!' || s[i + 1] == '/')) {
      if (s[i + 1] == '/' && depth > 0) --depth;
      i = SkipPast(s, i + 2, end, ">");
    } else {
      // Start tag: find its end outside quoted values.
      size_t j = i + 1;
      char quote = 0;
      for (; j < end; ++j) {
        if (quote) {
          if (s[j] == quote) quote = 0;
        } else if (s[j] == '"' || s[j] == '\'') {
          quote = s[j];
        } else if (s[j] == '>') {
          break;
        }
      }
      bool selfClosing = j < end && j > i + 1 && s[j - 1] == '/';
      if (!selfClosing && ++depth > kMaxXmlDepth) return false;
      i = j < end ? j + 1 : end;
    }
  }
  return true;
}

}  // namespace

CxResult XmlParse(const char* text, size_t length, std::unique_ptr<TiXmlDocument>* out) {
  XmlParseError ignored;
  return XmlParse(text, length, out, &ignored);
}

CxResult XmlParse(const char* text, size_t length, std::unique_ptr<TiXmlDocument>* out,
                  XmlParseError* error) {
  if (!text || !out || !error) return CX_E_INVALID_ARG;
  size_t end = 0;
  while (end < length && text[end]) ++end;
  if (!NestingWithinLimit(text, end)) {
    *error = {0, 0, "elements nested deeper than " + std::to_string(kMaxXmlDepth)};
    return CX_E_NOT_WELL_FORMED;
  }
  try {
    // TinyXML steps over a whole UTF-8 sequence even when the text ends
    // inside it, landing past the terminator; the spare zero bytes keep
    // that step inside the buffer, where it meets the end again.
    std::string terminated(text, end);
    terminated.append(kTerminatorPadding, '\0');
    std::unique_ptr<TiXmlDocument> doc(new TiXmlDocument());
    doc->Parse(terminated.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    if (doc->Error()) {
      *error = {doc->ErrorRow(), doc->ErrorCol(), doc->ErrorDesc() ? doc->ErrorDesc() : ""};
      return CX_E_NOT_WELL_FORMED;
    }
    *out = std::move(doc);
    return CX_OK;
  } catch (const std::bad_alloc&) {
    return CX_E_OUT_OF_MEMORY;
  }
}

int EncodingCodeOfName(const char* name) {
  if (!name) return -1;
  static const char* const kNames[] = {"utf-8", "gbk", "gb18030", "gb2312"};
  for (int i = 0; i < 4; ++i)
    if (StrCompareNoCaseA(name, kNames[i]) == 0) return i;
  return -1;
}

const char* EncodingNameOfCode(int encodingCode) {
  switch (encodingCode) {
    case 1: return "gbk";
    case 2: return "gb18030";
    case 3: return "gb2312";
    default: return "UTF-8";
  }
}

CxResult XmlEncoding(const TiXmlDocument* doc, int* code) {
  if (!doc || !code) return CX_E_INVALID_ARG;
  const TiXmlNode* first = doc->FirstChild();
  const TiXmlDeclaration* decl = first ? first->ToDeclaration() : nullptr;
  if (!decl) return CX_E_BAD_DATA;
  *code = EncodingCodeOfName(decl->Encoding());
  return CX_OK;
}

CxResult XmlChildren(const TiXmlElement* element, const TiXmlElement** array, uint32_t* count) {
  if (!element || !count) return CX_E_INVALID_ARG;
  uint32_t n = 0;
  for (const TiXmlElement* c = element->FirstChildElement(); c; c = c->NextSiblingElement()) ++n;
  if (!array) {
    *count = n;
    return CX_OK;
  }
  if (*count < n) {
    *count = n;
    return CX_E_BUFFER_TOO_SMALL;
  }
  uint32_t i = 0;
  for (const TiXmlElement* c = element->FirstChildElement(); c; c = c->NextSiblingElement())
    array[i++] = c;
  *count = n;
  return CX_OK;
}

CxResult XmlFirstChildElement(const TiXmlNode* node, const char* name, const TiXmlElement** out) {
  if (!node || !name || !out) return CX_E_INVALID_ARG;
  *out = node->FirstChildElement(name);
  return CX_OK;
}

CxResult XmlTag(const TiXmlElement* element, const char** out) {
  if (!element || !out) return CX_E_INVALID_ARG;
  *out = element->Value();
  return CX_OK;
}

CxResult XmlText(const TiXmlElement* element, const char** out) {
  if (!element || !out) return CX_E_INVALID_ARG;
  *out = element->GetText();
  return CX_OK;
}

CxResult XmlAttribute(const TiXmlElement* element, const char* name, const char** out) {
  if (!element || !name || !out) return CX_E_INVALID_ARG;
  const char* v = element->Attribute(name);
  if (!v) return CX_E_ATTR_MISSING;
  *out = v;
  return CX_OK;
}

CxResult XmlAddChild(TiXmlNode* parent, const char* name, const char* text) {
  if (!parent || !name || !text) return CX_E_INVALID_ARG;
  try {
    TiXmlElement element(name);
    element.LinkEndChild(new TiXmlText(text));
    if (!parent->InsertEndChild(element)) return CX_E_FAIL;
    return CX_OK;
  } catch (const std::bad_alloc&) {
    return CX_E_OUT_OF_MEMORY;
  }
}

CxResult XmlSetText(TiXmlElement* element, const char* text) {
  if (!element || !text) return CX_E_INVALID_ARG;
  try {
    element->Clear();
    element->LinkEndChild(new TiXmlText(text));
    return CX_OK;
  } catch (const std::bad_alloc&) {
    return CX_E_OUT_OF_MEMORY;
  }
}
