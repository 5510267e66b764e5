// A strict reader for DER (the distinguished encoding of ASN.1), just enough
// for X.509 certificates. The bytes come from certificate stores and files
// that anyone can write, so every length is checked against what is left
// before it is used, and the reader refuses what DER itself forbids:
//   - identifiers of more than two octets, and the indefinite length form;
//   - a length that does not fit in 32 bits or runs past the input;
//   - nesting deeper than kDerMaxDepth levels (the outermost element is 1).
// Portable: no platform calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/result_codes.h"
#include "common/scoped_resource.h"

// A non-owning view of bytes.
struct ByteSpan {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

constexpr int kDerMaxDepth = 32;

constexpr uint16_t kDerTagInteger = 0x02;
constexpr uint16_t kDerTagBitString = 0x03;
constexpr uint16_t kDerTagOid = 0x06;
constexpr uint16_t kDerTagSequence = 0x30;

struct DerHeader {
  uint16_t tag = 0;          // one octet, or first * 256 + second for a two-octet identifier
  bool constructed = false;  // bit 0x20 of the first identifier octet
  uint8_t headerLength = 0;  // identifier and length octets
  uint32_t length = 0;       // content length
};

// Reads the TLV header at the start of `in`; the content is known to lie
// inside `in`. CX_E_BAD_DATA for a header or content that does not fit, an
// identifier longer than two octets, the indefinite form, or a length of
// more than four significant octets. `out` is untouched on failure.
CxResult ReadDerHeader(ByteSpan in, DerHeader* out);

// One element of a decoded tree. Primitive elements own a copy of their
// content; constructed ones hold their children instead.
struct DerNode {
  uint16_t tag = 0;
  uint32_t length = 0;
  std::vector<uint8_t> content;
  uint8_t headerLength = 0;
  bool constructed = false;
  size_t offset = 0;  // of the header, from the start of the decoded input
  DerNode* next = nullptr;
  DerNode* firstChild = nullptr;
  DerNode* parent = nullptr;

  uint32_t TotalLength() const { return headerLength + length; }
  ByteSpan Content() const { return {content.data(), content.size()}; }
};

// Decodes `in`, which must be exactly one element, into a tree. The root is
// stored in `root` (the caller frees it with FreeDerTree); on failure
// nothing is allocated and `root` is untouched. CX_E_INVALID_ARG for null
// arguments or empty input, CX_E_BAD_DATA for malformed input or nesting
// too deep, CX_E_OUT_OF_MEMORY.
CxResult DecodeDer(ByteSpan in, DerNode** root);

// Releases every node of the tree; null is fine.
void FreeDerTree(DerNode* root);

struct DerTreeTraits {
  using Type = DerNode*;
  static Type Invalid() { return nullptr; }
  static void Close(Type root) { FreeDerTree(root); }
};
using ScopedDerTree = ScopedResource<DerTreeTraits>;
