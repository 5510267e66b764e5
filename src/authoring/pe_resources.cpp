// Reading and writing the PE resource tree.
#include "authoring/pe_resources.h"

#include <algorithm>

#include "authoring/pe_image.h"

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kDirectoryBytes = 16;
constexpr size_t kEntryBytes = 8;
constexpr size_t kDataEntryBytes = 16;

bool Fail(std::string* error, const char* text) {
  if (error) *error = text;
  return false;
}

class TreeReader {
 public:
  TreeReader(ByteSpan section, uint32_t rva, std::vector<PeResource>* out, std::string* error)
      : section_(section), rva_(rva), out_(out), error_(error) {}

  // level 0: types, 1: names, 2: languages.
  bool ReadDirectory(size_t offset, int level, PeResource* pending) {
    if (++directories_ > kPeMaxResourceDirectories) return Fail(error_, "too many resource directories");
    ByteReader r(section_);
    uint16_t named = 0, ids = 0;
    if (!r.Seek(offset) || !r.Skip(12) || !r.ReadU16(&named) || !r.ReadU16(&ids))
      return Fail(error_, "resource directory outside the section");
    const size_t count = size_t(named) + ids;
    if (!section_.Contains(r.Position(), count * kEntryBytes))
      return Fail(error_, "resource directory entries outside the section");
    for (size_t i = 0; i < count; ++i) {
      uint32_t name = 0, target = 0;
      r.ReadU32(&name);
      r.ReadU32(&target);
      ResourceKey key;
      if (name & kHighBit) {
        if (!ReadName(name & ~kHighBit, &key.text)) return false;
      } else {
        key.id = uint16_t(name);
      }
      if (level == 0) pending->type = key;
      else if (level == 1) pending->name = key;
      else pending->language = key.id;
      const bool isDirectory = (target & kHighBit) != 0;
      if (isDirectory != (level < 2)) return Fail(error_, "resource tree is not three levels deep");
      if (isDirectory) {
        if (!ReadDirectory(target & ~kHighBit, level + 1, pending)) return false;
      } else if (!ReadData(target, *pending)) {
        return false;
      }
    }
    return true;
  }

 private:
  bool ReadName(size_t offset, std::u16string* text) {
    ByteReader r(section_);
    uint16_t length = 0;
    if (!r.Seek(offset) || !r.ReadU16(&length)) return Fail(error_, "resource name outside the section");
    if (length == 0 || length > kPeMaxResourceNameChars) return Fail(error_, "resource name length");
    ByteSpan chars;
    if (!r.ReadSpan(size_t(length) * 2, &chars)) return Fail(error_, "resource name outside the section");
    text->clear();
    for (size_t i = 0; i < length; ++i)
      text->push_back(char16_t(chars.data[2 * i] | chars.data[2 * i + 1] << 8));
    return true;
  }

  bool ReadData(size_t offset, PeResource resource) {
    if (out_->size() >= kPeMaxResources) return Fail(error_, "too many resources");
    ByteReader r(section_);
    uint32_t dataRva = 0, size = 0;
    if (!r.Seek(offset) || !r.ReadU32(&dataRva) || !r.ReadU32(&size) || !r.ReadU32(&resource.codePage) ||
        !r.Skip(4))
      return Fail(error_, "resource data entry outside the section");
    ByteSpan data = section_.Sub(size_t(dataRva) - rva_, size);
    if (dataRva < rva_ || (!data.data && size)) return Fail(error_, "resource data outside the section");
    resource.data.assign(reinterpret_cast<const char*>(data.data), data.size);
    out_->push_back(std::move(resource));
    return true;
  }

  ByteSpan section_;
  uint32_t rva_;
  std::vector<PeResource>* out_;
  std::string* error_;
  size_t directories_ = 0;
};

void PutDirectory(std::string* out, size_t at, const std::vector<ResourceKey>& keys) {
  uint16_t named = 0;
  for (const ResourceKey& k : keys) named += k.IsText() ? 1 : 0;
  SetU16At(out, at + 12, named);
  SetU16At(out, at + 14, uint16_t(keys.size() - named));
}

}  // namespace

bool ResourceKey::operator<(const ResourceKey& o) const {
  if (IsText() != o.IsText()) return IsText();
  if (IsText()) return text < o.text;
  return id < o.id;
}

CxResult ReadResourceSection(ByteSpan section, uint32_t sectionRva, std::vector<PeResource>* resources,
                             std::string* error) {
  if (!resources) return CX_E_INVALID_ARG;
  std::vector<PeResource> found;
  TreeReader reader(section, sectionRva, &found, error);
  PeResource pending;
  if (!reader.ReadDirectory(0, 0, &pending)) return CX_E_BAD_DATA;
  resources->swap(found);
  return CX_OK;
}

CxResult BuildResourceSection(std::vector<PeResource> resources, uint32_t sectionRva,
                              std::string* out, std::string* error) {
  if (!out) return CX_E_INVALID_ARG;
  std::stable_sort(resources.begin(), resources.end(), [](const PeResource& a, const PeResource& b) {
    if (!(a.type == b.type)) return a.type < b.type;
    if (!(a.name == b.name)) return a.name < b.name;
    return a.language < b.language;
  });
  // The tree's shape: types, each type's names, each name's resources.
  struct NameNode {
    ResourceKey key;
    std::vector<size_t> resources;
  };
  struct TypeNode {
    ResourceKey key;
    std::vector<NameNode> names;
  };
  std::vector<TypeNode> types;
  for (size_t i = 0; i < resources.size(); ++i) {
    const PeResource& res = resources[i];
    if (types.empty() || !(types.back().key == res.type)) types.push_back({res.type, {}});
    std::vector<NameNode>& names = types.back().names;
    if (names.empty() || !(names.back().key == res.name)) names.push_back({res.name, {}});
    names.back().resources.push_back(i);
  }

  // Offsets: root, type directories, name directories, data entries,
  // name strings, then the data.
  uint64_t pos = kDirectoryBytes + kEntryBytes * types.size();
  std::vector<size_t> typeDirAt, nameDirAt;
  for (const TypeNode& t : types) {
    typeDirAt.push_back(size_t(pos));
    pos += kDirectoryBytes + kEntryBytes * t.names.size();
  }
  for (const TypeNode& t : types)
    for (const NameNode& n : t.names) {
      nameDirAt.push_back(size_t(pos));
      pos += kDirectoryBytes + kEntryBytes * n.resources.size();
    }
  const uint64_t dataEntriesAt = pos;
  pos += kDataEntryBytes * resources.size();
  uint64_t stringsBytes = 0;
  for (const TypeNode& t : types) {
    if (t.key.IsText()) stringsBytes += 2 + 2 * t.key.text.size();
    for (const NameNode& n : t.names)
      if (n.key.IsText()) stringsBytes += 2 + 2 * n.key.text.size();
  }
  const uint64_t stringsAt = pos;
  pos = AlignUp(pos + stringsBytes, 8);
  std::vector<uint64_t> dataAt;
  for (const PeResource& r : resources) {
    dataAt.push_back(pos);
    pos = AlignUp(pos + r.Bytes().size, 8);
  }
  if (pos + sectionRva > 0xFFFFFFFFull) {
    if (error) *error = "resources too large for a program";
    return CX_E_BAD_DATA;
  }

  const size_t base = out->size();
  out->resize(base + size_t(pos), '\0');
  size_t stringPos = size_t(stringsAt);
  auto keyField = [&](const ResourceKey& k) -> uint32_t {
    if (!k.IsText()) return k.id;
    const uint32_t at = uint32_t(stringPos) | kHighBit;
    SetU16At(out, base + stringPos, uint16_t(k.text.size()));
    for (size_t i = 0; i < k.text.size(); ++i) SetU16At(out, base + stringPos + 2 + 2 * i, k.text[i]);
    stringPos += 2 + 2 * k.text.size();
    return at;
  };
  std::vector<ResourceKey> keys;
  for (const TypeNode& t : types) keys.push_back(t.key);
  PutDirectory(out, base + 0, keys);
  size_t nameIndex = 0, resourceIndex = 0;
  for (size_t ti = 0; ti < types.size(); ++ti) {
    const TypeNode& t = types[ti];
    SetU32At(out, base + kDirectoryBytes + kEntryBytes * ti, keyField(t.key));
    SetU32At(out, base + kDirectoryBytes + kEntryBytes * ti + 4, uint32_t(typeDirAt[ti]) | kHighBit);
    keys.clear();
    for (const NameNode& n : t.names) keys.push_back(n.key);
    PutDirectory(out, base + typeDirAt[ti], keys);
    for (size_t ni = 0; ni < t.names.size(); ++ni, ++nameIndex) {
      const NameNode& n = t.names[ni];
      const size_t entry = typeDirAt[ti] + kDirectoryBytes + kEntryBytes * ni;
      SetU32At(out, base + entry, keyField(n.key));
      SetU32At(out, base + entry + 4, uint32_t(nameDirAt[nameIndex]) | kHighBit);
      keys.clear();
      for (size_t ri : n.resources) keys.push_back(ResourceKey::Id(resources[ri].language));
      PutDirectory(out, base + nameDirAt[nameIndex], keys);
      for (size_t li = 0; li < n.resources.size(); ++li, ++resourceIndex) {
        const PeResource& res = resources[n.resources[li]];
        const size_t langEntry = nameDirAt[nameIndex] + kDirectoryBytes + kEntryBytes * li;
        const size_t dataEntry = size_t(dataEntriesAt) + kDataEntryBytes * resourceIndex;
        SetU32At(out, base + langEntry, res.language);
        SetU32At(out, base + langEntry + 4, uint32_t(dataEntry));
        SetU32At(out, base + dataEntry, uint32_t(sectionRva + dataAt[n.resources[li]]));
        SetU32At(out, base + dataEntry + 4, uint32_t(res.Bytes().size));
        SetU32At(out, base + dataEntry + 8, res.codePage);
        const ByteSpan bytes = res.Bytes();
        if (bytes.size)
          std::copy(bytes.data, bytes.data + bytes.size, out->begin() + ptrdiff_t(base + dataAt[n.resources[li]]));
      }
    }
  }
  return CX_OK;
}
