// Writing a setup program into a stub: a hand-made PE32 stub (code, resources,
// relocations after them, a signature behind them) is rebuilt and read back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "authoring/pe_image.h"
#include "authoring/pe_resources.h"
#include "authoring/setup_image.h"
#include "authoring/setup_package.h"
#include "authoring/version_resource.h"

namespace {

constexpr uint32_t kFileAlign = 0x200;
constexpr uint32_t kSectionAlign = 0x1000;
constexpr size_t kPe = 0x40;              // e_lfanew
constexpr size_t kOpt = kPe + 4 + 20;     // optional header
constexpr size_t kSections = kOpt + 224;  // section table
constexpr uint16_t kDllCharacteristics = 0x8140;

PeResource Res(uint16_t type, uint16_t name, std::string data) {
  PeResource r;
  r.type = ResourceKey::Id(type);
  r.name = ResourceKey::Id(name);
  r.data = std::move(data);
  return r;
}

struct StubShape {
  bool relocAfterResources = true;
  uint32_t relocCharacteristics = 0x42000040;  // discardable, readable, initialised data
  std::vector<PeResource> resources;
  uint16_t magic = 0x10B;
  uint16_t fileCharacteristics = 0x0122;  // executable, 32-bit, large-address-aware
  uint32_t fileAlignment = kFileAlign;
  bool resourceDirectory = true;
};

StubShape DefaultShape() {
  StubShape s;
  VersionRecord own;
  own.fileVersion = 0x0001000200030004ull;
  own.strings = {{u"FileVersion", u"1.2.3.4"}, {u"InternalName", u"cxsetup"}};
  PeResource named = Res(0, 0, "named resource");
  named.type.text = u"PNG";
  named.name.text = u"LOGO";
  s.resources = {Res(5, 102, "dialog template"), Res(14, 128, "icon group"),
                 Res(3, 1, "icon image"),        Res(24, 1, "<assembly/>"),
                 Res(16, 1, BuildVersionResource(own)), Res(256, 170, "old package"),
                 Res(256, 171, "kept"),          named};
  return s;
}

// A PE32 file: headers, .text, .rsrc, then .reloc (or .reloc before .rsrc),
// and 16 bytes of "signature" after the last section, named by the
// security directory.
std::string MakeStub(const StubShape& shape) {
  const uint32_t fa = shape.fileAlignment;
  const uint32_t headers = fa > 0x400 ? fa : 0x400;
  std::string f(headers, '\0');
  f.replace(0, 2, "MZ");
  SetU32At(&f, 0x3C, kPe);
  f.replace(kPe, 4, std::string("PE\0\0", 4));
  SetU16At(&f, kPe + 4, 0x14C);
  SetU16At(&f, kPe + 6, 3);
  SetU32At(&f, kPe + 8, 0x5F000000);  // time stamp
  SetU16At(&f, kPe + 20, 224);
  SetU16At(&f, kPe + 22, shape.fileCharacteristics);
  SetU16At(&f, kOpt, shape.magic);
  SetU32At(&f, kOpt + 28, 0x400000);
  SetU32At(&f, kOpt + 32, kSectionAlign);
  SetU32At(&f, kOpt + 36, shape.fileAlignment);
  SetU32At(&f, kOpt + 60, headers);
  SetU16At(&f, kOpt + 68, 2);
  SetU16At(&f, kOpt + 70, kDllCharacteristics);
  SetU32At(&f, kOpt + 92, 16);

  struct Sec { std::string name; uint32_t characteristics; std::string data; };
  std::string rsrc;
  EXPECT_EQ(BuildResourceSection(shape.resources, shape.relocAfterResources ? 0x2000 : 0x3000, &rsrc, nullptr),
            CX_OK);
  const Sec r{".rsrc", 0x40000040, rsrc}, l{".reloc", shape.relocCharacteristics, "reloc-block-bytes"};
  std::vector<Sec> secs = {{".text", 0x60000020, std::string(0x200, '\xC3')}};
  secs.push_back(shape.relocAfterResources ? r : l);
  secs.push_back(shape.relocAfterResources ? l : r);
  uint32_t rva = 0x1000;
  for (size_t i = 0; i < secs.size(); ++i) {
    const size_t h = kSections + 40 * i;
    f.replace(h, 8, secs[i].name + std::string(8 - secs[i].name.size(), '\0'));
    SetU32At(&f, h + 8, uint32_t(secs[i].data.size()));
    SetU32At(&f, h + 12, rva);
    const uint32_t raw = uint32_t((secs[i].data.size() + fa - 1) / fa * fa);
    SetU32At(&f, h + 16, raw);
    SetU32At(&f, h + 20, uint32_t(f.size()));
    SetU32At(&f, h + 36, secs[i].characteristics);
    if (secs[i].name == ".rsrc" && shape.resourceDirectory) {
      SetU32At(&f, kOpt + 96 + 8 * 2, rva);
      SetU32At(&f, kOpt + 96 + 8 * 2 + 4, uint32_t(rsrc.size()));
    }
    if (secs[i].name == ".reloc") {
      SetU32At(&f, kOpt + 96 + 8 * 5, rva + 4);  // inside the section, not at its start
      SetU32At(&f, kOpt + 96 + 8 * 5 + 4, 8);
    }
    std::string data = secs[i].data;
    data.resize(raw, '\0');
    f += data;
    rva += uint32_t((secs[i].data.size() + kSectionAlign - 1) & ~size_t(kSectionAlign - 1));
  }
  SetU32At(&f, kOpt + 56, rva);
  SetU32At(&f, kOpt + 96 + 8 * 4, uint32_t(f.size()));  // security: a file offset
  SetU32At(&f, kOpt + 96 + 8 * 4 + 4, 16);
  f += std::string(16, 'S');
  return f;
}

const SetupVersionTexts kTexts{u"Corvexa", u"KOVA", u"2.5.0.7"};

std::string Build(const std::string& stub, const std::string& package, std::string* error = nullptr,
                  CxResult expected = CX_OK) {
  std::string out, why;
  EXPECT_EQ(BuildSetupImage(ByteSpan(stub), ByteSpan(package), kTexts, &out, &why), expected) << why;
  if (error) *error = why;
  return out;
}

uint32_t U32(const std::string& f, size_t at) {
  return uint32_t(uint8_t(f[at])) | uint32_t(uint8_t(f[at + 1])) << 8 |
         uint32_t(uint8_t(f[at + 2])) << 16 | uint32_t(uint8_t(f[at + 3])) << 24;
}

std::vector<PeResource> ResourcesOf(const std::string& file, const PeImage& pe) {
  std::vector<PeResource> list;
  const PeSection& s = pe.sections[size_t(pe.SectionOfRva(pe.directories[kPeDirResource].rva))];
  std::string error;
  EXPECT_EQ(ReadResourceSection(ByteSpan(file).Sub(s.rawPointer, s.virtualSize), s.virtualAddress, &list,
                                &error),
            CX_OK)
      << error;
  return list;
}

const PeResource* Find(const std::vector<PeResource>& list, uint16_t type, uint16_t name) {
  for (const PeResource& r : list)
    if (!r.type.IsText() && r.type.id == type && !r.name.IsText() && r.name.id == name) return &r;
  return nullptr;
}

TEST(SetupImage, RebuildsResourcesAndMovesWhatFollows) {
  const std::string stub = MakeStub(DefaultShape());
  const std::string package(70000, 'p');
  const std::string out = Build(stub, package);
  PeImage pe, old;
  std::string error;
  ASSERT_EQ(ReadPeImage(ByteSpan(out), &pe, &error), CX_OK) << error;
  ASSERT_EQ(ReadPeImage(ByteSpan(stub), &old, &error), CX_OK);

  // Alignments and flags are the stub's; the time stamp and symbols are gone.
  EXPECT_EQ(pe.fileAlignment, kFileAlign);
  EXPECT_EQ(pe.sectionAlignment, kSectionAlign);
  EXPECT_EQ(uint16_t(U32(out, kOpt + 70)), kDllCharacteristics);
  EXPECT_EQ(uint16_t(U32(out, kPe + 22)), 0x0122);
  EXPECT_EQ(U32(out, kPe + 8), 0u);
  EXPECT_EQ(out.compare(0x400, 0x200, stub, 0x400, 0x200), 0) << "code moved";

  // Resources: the package replaced, the version record rewritten, the rest kept.
  const std::vector<PeResource> res = ResourcesOf(out, pe);
  ASSERT_EQ(res.size(), 8u);
  ASSERT_NE(Find(res, 256, 170), nullptr);
  EXPECT_EQ(Find(res, 256, 170)->data, package);
  for (const PeResource& want : DefaultShape().resources) {
    if (!want.type.IsText() && (want.type.id == 16 || (want.type.id == 256 && want.name.id == 170))) continue;
    bool found = false;
    for (const PeResource& got : res)
      found |= got.type == want.type && got.name == want.name && got.data == want.data;
    EXPECT_TRUE(found) << "lost resource " << want.type.id << "/" << want.name.id;
  }
  VersionRecord v;
  ASSERT_EQ(ReadVersionResource(ByteSpan(Find(res, 16, 1)->data), &v, &error), CX_OK) << error;
  EXPECT_EQ(*v.Find(u"ProductName"), u"Corvexa");
  EXPECT_EQ(*v.Find(u"CompanyName"), u"KOVA");
  EXPECT_EQ(*v.Find(u"ProductVersion"), u"2.5.0.7");
  EXPECT_EQ(*v.Find(u"FileDescription"), u"Corvexa Setup");
  EXPECT_EQ(*v.Find(u"FileVersion"), u"1.2.3.4");  // the program's own
  EXPECT_EQ(v.productVersion, 0x0002000500000007ull);
  EXPECT_EQ(v.fileVersion, 0x0001000200030004ull);

  // .reloc moved behind the larger resources, its directory with it.
  const PeSection& rsrc = pe.sections[1];
  const PeSection& reloc = pe.sections[2];
  EXPECT_EQ(pe.directories[kPeDirResource].size, rsrc.virtualSize);
  EXPECT_EQ(reloc.virtualAddress, AlignUp(uint64_t(rsrc.virtualAddress) + rsrc.virtualSize, kSectionAlign));
  EXPECT_EQ(pe.directories[5].rva, reloc.virtualAddress + 4);
  EXPECT_EQ(out.substr(reloc.rawPointer, 17), "reloc-block-bytes");
  EXPECT_EQ(reloc.rawPointer % kFileAlign, 0u);
  EXPECT_EQ(pe.sizeOfImage, AlignUp(uint64_t(reloc.virtualAddress) + reloc.virtualSize, kSectionAlign));
  // The signature went with the bytes after the last section.
  EXPECT_EQ(pe.directories[kPeDirSecurity].rva, 0u);
  EXPECT_EQ(pe.directories[kPeDirSecurity].size, 0u);
  EXPECT_EQ(out.size(), size_t(reloc.rawPointer) + reloc.rawSize);
  EXPECT_EQ(U32(out, pe.CheckSumOffset()), ComputePeChecksum(ByteSpan(out), pe.CheckSumOffset()));
  EXPECT_NE(U32(out, pe.CheckSumOffset()), 0u);

  // list, extract and plan find the package in the written program.
  size_t at = 0, size = 0;
  ASSERT_TRUE(FindSetupPackage(ByteSpan(out), &at, &size, &error)) << error;
  EXPECT_EQ(out.substr(at, size), package);

  // Same inputs, same bytes; the output as a stub gives the same program again.
  EXPECT_EQ(Build(stub, package), out);
  EXPECT_EQ(Build(out, package), out);
  EXPECT_NE(Build(stub, package + "x"), out);
}

// Resources last need nothing moved; a 4 KiB FileAlignment stays, and so
// does the file layout it implies.
TEST(SetupImage, ResourcesLastAndPageAlignedFiles) {
  StubShape shape = DefaultShape();
  shape.relocAfterResources = false;
  shape.fileAlignment = 0x1000;
  const std::string out = Build(MakeStub(shape), "pkg");
  PeImage pe;
  ASSERT_EQ(ReadPeImage(ByteSpan(out), &pe, nullptr), CX_OK);
  EXPECT_EQ(pe.directories[5].rva, 0x2000u + 4);
  EXPECT_EQ(Find(ResourcesOf(out, pe), 256, 170)->data, "pkg");
  EXPECT_EQ(pe.fileAlignment, 0x1000u);
  for (const PeSection& s : pe.sections) {
    EXPECT_EQ(s.rawPointer % 0x1000, 0u) << s.name;
    EXPECT_EQ(s.rawSize % 0x1000, 0u) << s.name;
  }
  EXPECT_EQ(out.size() % 0x1000, 0u);
}

// A package may make the setup larger than any stub may be: the rebuilt
// program is read back with the setup's own limit.
TEST(SetupImage, PackagesLargerThanAStubReadBack) {
  const std::string package((size_t(kPeMaxFileBytes) + (1u << 20)), 'p');
  const std::string out = Build(MakeStub(DefaultShape()), package);
  EXPECT_GT(out.size(), kPeMaxFileBytes);
}

// The PE checksum: 16-bit sums folded, the checksum field skipped, an odd
// final byte counted as a word, plus the length.
TEST(SetupImage, Checksum) {
  const std::string bytes("\x01\x00\xFF\xFF\xAA\xAA\xAA\xAA\x03", 9);
  EXPECT_EQ(ComputePeChecksum(ByteSpan(bytes), 4), 0x0001u + 0x0003u + 9u);
  // 1 + 0xFFFF folds to 1; + 0xAAAA + 0xAAAA = 0x15555 folds to 0x5556; + 3.
  EXPECT_EQ(ComputePeChecksum(ByteSpan(bytes), 100), 0x5559u + 9u);
}

// A program without the package resource is no setup.
TEST(SetupImage, FindsNoPackageInOtherPrograms) {
  StubShape shape = DefaultShape();
  shape.resources.erase(shape.resources.begin() + 5);  // 256/170
  std::string error;
  size_t at = 1, size = 1;
  EXPECT_FALSE(FindSetupPackage(ByteSpan(MakeStub(shape)), &at, &size, &error));
  EXPECT_NE(error.find("no resource 256/170"), std::string::npos) << error;
  EXPECT_EQ(at + size, 2u);
  shape.resourceDirectory = false;
  EXPECT_FALSE(FindSetupPackage(ByteSpan(MakeStub(shape)), &at, &size, &error));
}

TEST(SetupImage, RefusesStubsItCannotRebuild) {
  auto patched = [](StubShape shape, size_t at, uint32_t value) {
    std::string f = MakeStub(shape);
    SetU32At(&f, at, value);
    return f;
  };
  auto shaped = [](void (*change)(StubShape&)) {
    StubShape shape = DefaultShape();
    change(shape);
    return MakeStub(shape);
  };
  const std::string good = MakeStub(DefaultShape());
  const struct { std::string stub; const char* error; } cases[] = {
      {"plain text, not a program", "no MZ header"},
      {good.substr(0, 0x50), "file header truncated"},                         // cut in the PE header
      {patched(DefaultShape(), 0x3C, 0xFFFFFFF0), "no PE signature"},           // e_lfanew beyond the file
      {shaped([](StubShape& s) { s.magic = 0x20B; }), "not a 32-bit optional header"},
      {shaped([](StubShape& s) { s.fileCharacteristics = 0x2122; }), "not an executable"},
      {patched(DefaultShape(), kPe + 4, 0x0000014C), "section count"},          // no sections
      {patched(DefaultShape(), kOpt + 92, 17), "data directories"},
      {shaped([](StubShape& s) { s.fileAlignment = 0x300; }), "FileAlignment"},
      {patched(DefaultShape(), kSections + 40 + 20, 0x7FFFFF00), "section data outside the file"},
      {patched(DefaultShape(), kSections + 40 + 12, 0x1000), "sections overlap"},  // .rsrc on .text
      {patched(DefaultShape(), kOpt + 60, 0x100), "section table outside the headers"},
      {shaped([](StubShape& s) { s.resourceDirectory = false; }), "has no resource section"},
      {patched(DefaultShape(), kOpt + 96 + 16, 0x2010), "share their section"},  // directory mid-section
      {shaped([](StubShape& s) { s.relocCharacteristics = 0x40000040; }),  // not discardable
       "follows the resources and cannot move"},
      {patched(DefaultShape(), kOpt + 96 + 8, 0x2004), "another data directory"},  // imports in .rsrc
      {patched(DefaultShape(), 0x600 + 12, 0x7FFF), "resource directory entries outside"},  // count
      {patched(DefaultShape(), 0x600 + 16 + 4, 0xFFFFFFF0), "resource directory outside"},
  };
  for (const auto& c : cases) {
    std::string error;
    Build(c.stub, "pkg", &error, CX_E_BAD_DATA);
    EXPECT_NE(error.find(c.error), std::string::npos) << c.error << ": " << error;
  }
  std::string error;
  Build(good, "pkg", &error, CX_OK);
  SetupVersionTexts badVersion = kTexts;
  badVersion.version = u"1.2.3";
  std::string out = "untouched";
  EXPECT_EQ(BuildSetupImage(ByteSpan(good), ByteSpan(std::string("p")), badVersion, &out, &error),
            CX_E_BAD_DATA);
  EXPECT_EQ(out, "untouched");
}

// Resource trees that point where they must not.
TEST(PeResources, RefusesDamagedTrees) {
  std::string good;
  ASSERT_EQ(BuildResourceSection({Res(5, 102, "dialog")}, 0x1000, &good, nullptr), CX_OK);
  auto patched = [&](size_t at, uint32_t value) {
    std::string s = good;
    SetU32At(&s, at, value);
    return s;
  };
  // Layout: root 0..24, type dir 24..48, name dir 48..72, data entry 72..88.
  const struct { std::string section; const char* error; } cases[] = {
      {patched(20, 72), "not three levels deep"},                  // type entry names data
      {patched(68, 0x80000000 | 48), "not three levels deep"},     // language entry names a directory
      {patched(72, 0x0FFF), "resource data outside"},              // data RVA before the section
      {patched(16, 0x80000F00), "resource name outside"},          // type name string beyond
      {patched(72, 0x1000 + 92), "resource data outside"},         // data runs past the end
  };
  for (const auto& c : cases) {
    std::vector<PeResource> list;
    std::string error;
    EXPECT_EQ(ReadResourceSection(ByteSpan(c.section), 0x1000, &list, &error), CX_E_BAD_DATA) << c.error;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.error << ": " << error;
    EXPECT_TRUE(list.empty());
  }
}

}  // namespace
