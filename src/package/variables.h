// Textual expansion of $(name) references in a setup script, and the XML
// escaping of the values inserted. "$[name]" is left alone: it belongs to
// action descriptions.
#pragma once
#include <cstddef>
#include <string>

#include "common/result_codes.h"

class VariableDictionary;

// A reference's name may be at most this many bytes.
constexpr size_t kMaxVariableNameLength = 127;
// At most this many passes run over the text; each pass replaces the
// references it finds, so values referring to others resolve one level per
// pass. A text still holding references after the last pass (a variable
// that refers to itself, directly or through others) fails with
// CX_E_BUFFER_TOO_SMALL.
constexpr int kMaxExpansionPasses = 32;

// Escapes < > " ' as entities, and & as "&amp;" unless it already starts
// one of the five predefined entities. CX_E_INVALID_ARG for a null pointer.
CxResult EscapeXmlText(const char* text, std::string* out);

// Room for the expanded script: 16 times the raw text, at most 64 MiB. A
// compact script of many File lines grows several times over on a machine
// whose folders have long names, so the room is generous; the fixed cap
// still stops a runaway expansion cleanly.
constexpr size_t kExpansionFactor = 16;
constexpr size_t kMaxExpandedScriptBytes = size_t(64) << 20;
// The longest expanded text (in bytes) that a raw text of `rawLength` bytes
// may give.
size_t ExpansionBound(size_t rawLength);

// Replaces every $(name) of `raw` with the escaped value from `dict`, pass
// after pass, until no "$(" is left. The text may grow to
// ExpansionBound(raw.size()) bytes. Results:
//   CX_E_BAD_DATA          empty text; "$(" without ")"; a name that is
//                          empty, undefined or longer than the limit
//   CX_E_BUFFER_TOO_SMALL  the text would outgrow its room, or references
//                          remain after kMaxExpansionPasses passes
// `out` is untouched on failure.
CxResult ExpandVariableText(const std::string& raw, const VariableDictionary& dict,
                            std::string* out);
