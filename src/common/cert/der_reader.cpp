// DER headers and the element tree.
#include "common/cert/der_reader.h"

#include <new>

namespace {

constexpr uint8_t kLongFormTagBits = 0x1F;
constexpr uint8_t kLengthLongForm = 0x80;

void AppendChild(DerNode* parent, DerNode** last, DerNode* child) {
  child->parent = parent;
  if (*last) {
    (*last)->next = child;
  } else {
    parent->firstChild = child;
  }
  *last = child;
}

// Decodes the element at the start of `in` (known to hold at least its
// header and content) at nesting level `depth`.
CxResult DecodeElement(ByteSpan in, size_t offset, int depth, DerNode** out) {
  if (depth > kDerMaxDepth) return CX_E_BAD_DATA;
  DerHeader h;
  CxResult r = ReadDerHeader(in, &h);
  if (r != CX_OK) return r;
  DerNode* node = new (std::nothrow) DerNode;
  if (!node) return CX_E_OUT_OF_MEMORY;
  ScopedDerTree owner(node);
  node->tag = h.tag;
  node->length = h.length;
  node->headerLength = h.headerLength;
  node->constructed = h.constructed;
  node->offset = offset;
  const uint8_t* content = in.data + h.headerLength;
  if (!h.constructed) {
    // The one allocation sized by the input; its length was checked against
    // the input already, so it stays in proportion.
    try {
      node->content.assign(content, content + h.length);
    } catch (const std::bad_alloc&) {
      return CX_E_OUT_OF_MEMORY;
    }
  } else {
    DerNode* last = nullptr;
    size_t pos = 0;
    while (pos < h.length) {
      ByteSpan rest{content + pos, h.length - pos};
      DerNode* child = nullptr;
      r = DecodeElement(rest, offset + h.headerLength + pos, depth + 1, &child);
      if (r != CX_OK) return r;
      AppendChild(node, &last, child);
      pos += child->TotalLength();
    }
  }
  *out = owner.Take();
  return CX_OK;
}

}  // namespace

CxResult ReadDerHeader(ByteSpan in, DerHeader* out) {
  if (!in.data || !out) return CX_E_INVALID_ARG;
  // Identifier and the first length octet come before anything is read.
  if (in.size < 2) return CX_E_BAD_DATA;
  DerHeader h;
  size_t pos = 0;
  const uint8_t first = in.data[pos++];
  h.constructed = (first & 0x20) != 0;
  if ((first & kLongFormTagBits) == kLongFormTagBits) {
    if (in.size < 3) return CX_E_BAD_DATA;
    const uint8_t second = in.data[pos++];
    if (second & 0x80) return CX_E_BAD_DATA;  // a third identifier octet follows
    h.tag = static_cast<uint16_t>(first * 256 + second);
  } else {
    h.tag = first;
  }
  const uint8_t lengthOctet = in.data[pos++];
  if (lengthOctet == kLengthLongForm) return CX_E_BAD_DATA;  // indefinite: not DER
  if (lengthOctet < kLengthLongForm) {
    h.length = lengthOctet;
  } else {
    size_t count = lengthOctet & 0x7F;
    if (count > in.size - pos) return CX_E_BAD_DATA;
    while (count > 0 && in.data[pos] == 0) {
      ++pos;
      --count;
    }
    if (count > 4) return CX_E_BAD_DATA;
    uint32_t length = 0;
    for (; count > 0; --count) length = (length << 8) | in.data[pos++];
    h.length = length;
  }
  h.headerLength = static_cast<uint8_t>(pos);
  if (h.length > in.size - pos) return CX_E_BAD_DATA;
  *out = h;
  return CX_OK;
}

CxResult DecodeDer(ByteSpan in, DerNode** root) {
  if (!in.data || in.size == 0 || !root) return CX_E_INVALID_ARG;
  DerHeader h;
  CxResult r = ReadDerHeader(in, &h);
  if (r != CX_OK) return r;
  if (h.length != in.size - h.headerLength) return CX_E_BAD_DATA;  // trailing bytes
  return DecodeElement(in, 0, 1, root);
}

void FreeDerTree(DerNode* root) {
  // Iterative, so a tree's shape never decides the stack depth.
  DerNode* node = root;
  while (node) {
    if (node->firstChild) {
      DerNode* child = node->firstChild;
      node->firstChild = nullptr;
      node = child;
      continue;
    }
    DerNode* next = node->next;
    DerNode* parent = node->parent;
    const bool isRoot = node == root;
    delete node;
    if (isRoot) break;
    // A parent whose children are all gone is freed on the next visit.
    node = next ? next : parent;
  }
}
