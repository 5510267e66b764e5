// Building and reading VS_VERSIONINFO records.
#include "authoring/version_resource.h"

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr size_t kFixedInfoBytes = 52;
constexpr uint16_t kTypeBinary = 0;
constexpr uint16_t kTypeText = 1;
// A record's lengths are 16-bit; texts longer than this are cut so that the
// record always fits.
constexpr size_t kMaxValueChars = 255;

void Pad4(std::string* b) {
  while (b->size() % 4) b->push_back('\0');
}

void PutText(std::string* b, const std::u16string& text) {
  for (char16_t c : text) PutU16(b, c);
  PutU16(b, 0);
}

// One block: header, key, value, then each child 4-byte aligned. The length
// counts everything but padding after the last child.
std::string Block(const std::u16string& key, const std::string& value, uint16_t valueLength,
                  uint16_t type, const std::vector<std::string>& children) {
  std::string b;
  PutU16(&b, 0);
  PutU16(&b, valueLength);
  PutU16(&b, type);
  PutText(&b, key);
  Pad4(&b);
  b += value;
  for (const std::string& child : children) {
    Pad4(&b);
    b += child;
  }
  SetU16At(&b, 0, uint16_t(b.size()));
  return b;
}

std::u16string HexKey(uint16_t language, uint16_t codePage) {
  static const char digits[] = "0123456789abcdef";
  const uint32_t v = uint32_t(language) << 16 | codePage;
  std::u16string key;
  for (int shift = 28; shift >= 0; shift -= 4) key += char16_t(digits[(v >> shift) & 0xF]);
  return key;
}

bool Fail(std::string* error, const char* text) {
  if (error) *error = text;
  return false;
}

struct ParsedBlock {
  uint16_t type = 0;
  std::u16string key;
  ByteSpan value;
  ByteSpan children;  // the bytes after the value, up to the block's end
};

// Parses the block at the start of `bytes`; `*next` receives the 4-aligned
// position after it.
bool ParseBlock(ByteSpan bytes, ParsedBlock* block, size_t* next, std::string* error) {
  ByteReader r(bytes);
  uint16_t length = 0, valueLength = 0;
  if (!r.ReadU16(&length) || !r.ReadU16(&valueLength) || !r.ReadU16(&block->type))
    return Fail(error, "version block truncated");
  if (length < 6 || length > bytes.size) return Fail(error, "version block length outside its parent");
  ByteReader k(bytes.Sub(0, length), 6);
  block->key.clear();
  for (;;) {
    uint16_t c = 0;
    if (!k.ReadU16(&c)) return Fail(error, "version key not terminated");
    if (c == 0) break;
    block->key += char16_t(c);
  }
  size_t pos = (k.Position() + 3) & ~size_t(3);
  if (pos > length) pos = length;
  size_t valueBytes = block->type == kTypeText ? size_t(valueLength) * 2 : valueLength;
  if (valueBytes > length - pos) valueBytes = length - pos;  // producers disagree on text units
  block->value = bytes.Sub(pos, valueBytes);
  pos = (pos + valueBytes + 3) & ~size_t(3);
  if (pos > length) pos = length;
  block->children = bytes.Sub(pos, length - pos);
  *next = (size_t(length) + 3) & ~size_t(3);
  return true;
}

// Calls `visit` for each child block in `bytes`; stops at the first false.
template <typename Visit>
bool ForEachChild(ByteSpan bytes, std::string* error, Visit visit) {
  size_t pos = 0;
  while (pos + 6 <= bytes.size) {
    ParsedBlock child;
    size_t next = 0;
    if (!ParseBlock(bytes.Sub(pos, bytes.size - pos), &child, &next, error)) return false;
    if (!visit(child)) return false;
    pos += next;
  }
  return true;
}

std::u16string TextOf(ByteSpan value) {
  std::u16string text;
  for (size_t i = 0; i + 1 < value.size; i += 2) {
    const char16_t c = char16_t(value.data[i] | value.data[i + 1] << 8);
    if (c == 0) break;
    text += c;
  }
  return text;
}

uint32_t U32At(ByteSpan s, size_t at) {
  uint32_t v = 0;
  ByteReader r(s, at);
  r.ReadU32(&v);
  return v;
}

uint64_t Version64(uint32_t ms, uint32_t ls) { return uint64_t(ms) << 32 | ls; }

}  // namespace

const std::u16string* VersionRecord::Find(const std::u16string& key) const {
  for (const auto& kv : strings)
    if (kv.first == key) return &kv.second;
  return nullptr;
}

std::string BuildVersionResource(const VersionRecord& record) {
  std::string fixed;
  PutU32(&fixed, kFixedSignature);
  PutU32(&fixed, 0x00010000);
  PutU32(&fixed, uint32_t(record.fileVersion >> 32));
  PutU32(&fixed, uint32_t(record.fileVersion));
  PutU32(&fixed, uint32_t(record.productVersion >> 32));
  PutU32(&fixed, uint32_t(record.productVersion));
  PutU32(&fixed, record.fileFlagsMask);
  PutU32(&fixed, record.fileFlags);
  PutU32(&fixed, record.fileOs);
  PutU32(&fixed, record.fileType);
  PutU32(&fixed, record.fileSubtype);
  PutU32(&fixed, 0);  // no file date: the same inputs give the same bytes
  PutU32(&fixed, 0);

  std::vector<std::string> strings;
  for (const auto& kv : record.strings) {
    std::u16string value = kv.second.substr(0, kMaxValueChars);
    std::string text;
    PutText(&text, value);
    strings.push_back(Block(kv.first.substr(0, kMaxValueChars), text, uint16_t(value.size() + 1),
                            kTypeText, {}));
  }
  std::string table = Block(HexKey(record.language, record.codePage), {}, 0, kTypeText, strings);
  std::string stringInfo = Block(u"StringFileInfo", {}, 0, kTypeText, {table});
  std::string translation;
  PutU16(&translation, record.language);
  PutU16(&translation, record.codePage);
  std::string var = Block(u"Translation", translation, 4, kTypeBinary, {});
  std::string varInfo = Block(u"VarFileInfo", {}, 0, kTypeText, {var});
  return Block(u"VS_VERSION_INFO", fixed, uint16_t(kFixedInfoBytes), kTypeBinary,
               {stringInfo, varInfo});
}

CxResult ReadVersionResource(ByteSpan bytes, VersionRecord* record, std::string* error) {
  if (!record) return CX_E_INVALID_ARG;
  ParsedBlock root;
  size_t next = 0;
  if (!ParseBlock(bytes, &root, &next, error)) return CX_E_BAD_DATA;
  if (root.key != u"VS_VERSION_INFO" || root.value.size < kFixedInfoBytes ||
      U32At(root.value, 0) != kFixedSignature) {
    Fail(error, "no VS_VERSION_INFO with a fixed part");
    return CX_E_BAD_DATA;
  }
  VersionRecord read;
  read.fileVersion = Version64(U32At(root.value, 8), U32At(root.value, 12));
  read.productVersion = Version64(U32At(root.value, 16), U32At(root.value, 20));
  read.fileFlagsMask = U32At(root.value, 24);
  read.fileFlags = U32At(root.value, 28);
  read.fileOs = U32At(root.value, 32);
  read.fileType = U32At(root.value, 36);
  read.fileSubtype = U32At(root.value, 40);
  bool tableRead = false;
  const bool ok = ForEachChild(root.children, error, [&](const ParsedBlock& info) {
    if (info.key == u"StringFileInfo") {
      return ForEachChild(info.children, error, [&](const ParsedBlock& table) {
        if (tableRead) return true;
        tableRead = true;
        return ForEachChild(table.children, error, [&](const ParsedBlock& s) {
          if (read.strings.size() >= kVersionMaxStrings) return Fail(error, "too many version texts");
          read.strings.emplace_back(s.key, TextOf(s.value));
          return true;
        });
      });
    }
    if (info.key == u"VarFileInfo") {
      return ForEachChild(info.children, error, [&](const ParsedBlock& var) {
        if (var.key == u"Translation" && var.value.size >= 4) {
          read.language = uint16_t(var.value.data[0] | var.value.data[1] << 8);
          read.codePage = uint16_t(var.value.data[2] | var.value.data[3] << 8);
        }
        return true;
      });
    }
    return true;
  });
  if (!ok) return CX_E_BAD_DATA;
  *record = std::move(read);
  return CX_OK;
}
