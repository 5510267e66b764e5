// Thin access layer over TinyXML for the setup script: parsing with a
// nesting limit, the declaration's encoding, and element reads and writes.
// Every function checks its pointer arguments (CX_E_INVALID_ARG for a null
// one) and leaves its out-parameter untouched when it fails.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/result_codes.h"

class TiXmlDocument;
class TiXmlElement;
class TiXmlNode;

// Deepest element nesting a script may have. TinyXML parses and frees
// recursively, so deeper input would exhaust the stack (1 MiB on Windows).
constexpr uint32_t kMaxXmlDepth = 100;

// Parses `length` bytes (no terminator needed; parsing stops at a zero byte).
// CX_E_NOT_WELL_FORMED when TinyXML reports an error or the nesting exceeds
// kMaxXmlDepth, CX_E_OUT_OF_MEMORY when memory runs out.
CxResult XmlParse(const char* text, size_t length, std::unique_ptr<TiXmlDocument>* out);

// Where and why a parse failed: the parser's row and column (1-based; 0
// when unknown) and its description.
struct XmlParseError {
  int row = 0;
  int column = 0;
  std::string description;
};
// XmlParse that also tells where a CX_E_NOT_WELL_FORMED text fails; the
// parsed document keeps every node's row and column.
CxResult XmlParse(const char* text, size_t length, std::unique_ptr<TiXmlDocument>* out,
                  XmlParseError* error);

// Encoding code of an encoding name, compared without case: "utf-8" 0,
// "gbk" 1, "gb18030" 2, "gb2312" 3, anything else (or null) -1.
int EncodingCodeOfName(const char* name);
// Name written for an encoding code ("UTF-8" for -1 too).
const char* EncodingNameOfCode(int encodingCode);

// Encoding code from the document's first node, which must be an XML
// declaration (CX_E_BAD_DATA otherwise).
CxResult XmlEncoding(const TiXmlDocument* doc, int* code);

// Element children of `element` in order. With a null array only counts;
// CX_E_BUFFER_TOO_SMALL (count set to the number needed) when *count is
// smaller than the number of children.
CxResult XmlChildren(const TiXmlElement* element, const TiXmlElement** array, uint32_t* count);
// First child element of `node` with tag `name`, or null (0 either way).
CxResult XmlFirstChildElement(const TiXmlNode* node, const char* name, const TiXmlElement** out);
CxResult XmlTag(const TiXmlElement* element, const char** out);
// The element's text, or null when it has none.
CxResult XmlText(const TiXmlElement* element, const char** out);
// CX_E_ATTR_MISSING when the attribute is missing.
CxResult XmlAttribute(const TiXmlElement* element, const char* name, const char** out);
CxResult XmlAddChild(TiXmlNode* parent, const char* name, const char* text);
CxResult XmlSetText(TiXmlElement* element, const char* text);
