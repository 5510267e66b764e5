// The browser check's decisions and the Firefox step's portable parts:
// command lines, the launcher's frames and the certificate's name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "browser/browser_check.h"
#include "browser/firefox_import.h"

TEST(BrowserCheck, MessagesByLanguage) {
  // Names against real processes, and the modes, are tested under Wine.
  EXPECT_FALSE(IsBrowserImageName(u"xfirefox.exe"));
  EXPECT_FALSE(BrowserRefusalFor(false, 1).refuse);
  const BrowserRefusal en = BrowserRefusalFor(true, 1);
  EXPECT_TRUE(en.refuse);
  EXPECT_EQ(std::u16string(en.text),
            u"The detecion program found that FireFox or Google browse was running,please close the "
            u"browser and reinstall");
  EXPECT_EQ(std::u16string(en.caption), u"ERROR");
  EXPECT_EQ(std::u16string(BrowserRefusalFor(true, 0).caption), u"错误");
  EXPECT_EQ(std::u16string(BrowserRefusalFor(true, 2).caption), u"錯誤");
  EXPECT_NE(std::u16string(BrowserRefusalFor(true, 0).text), BrowserRefusalFor(true, 2).text);
  const BrowserRefusal de = BrowserRefusalFor(true, 7);
  EXPECT_TRUE(de.refuse) << "other languages end too";
  EXPECT_EQ(de.text, nullptr);
}

TEST(FirefoxImport, CommandLinesAndCertificateName) {
  const CertutilCommands plain = FormatCertutilCommands("CxWssRoot.cer", "C:\\p", 0);
  EXPECT_EQ(plain.remove, "certutil.exe -D -n \"CXWSSROOT\" -d \"C:\\p\"");
  EXPECT_EQ(plain.add,
            "certutil.exe -A -n \"CXWSSROOT\" -t \"CT,C,C\" -i CxWssRoot.cer .\\CxWssRoot.cer -d \"C:\\p\"");
  EXPECT_EQ(plain.list, "certutil.exe -L -d \"C:\\p\"");
  EXPECT_EQ(FormatCertutilCommands("a.cer", "", 1).list, "certutil.exe -L -d \"sql:\"");
  const std::string longProfile(3000, 'x');
  EXPECT_EQ(FormatCertutilCommands("a.cer", longProfile.c_str(), 0).add.size(),
            kCertutilCommandCapacity - 1);

  const struct { const char16_t* path; const char16_t* name; bool root; } entries[] = {
      {u"C:\\p\\CertToReg\\CxWssRoot.cer", u"CxWssRoot.cer", true},
      {u"C:\\p\\CertToReg\\ROOT.CER", u"ROOT.CER", false},           // ".cer" with case
      {u"C:\\p\\CertToReg\\ca.cer", u"ca.cer", false},               // "root" in the name
      {u"C:\\p\\x.cer\\MyRootKey.txt", u"MyRootKey.txt", true},      // a folder with ".cer"
      {u"C:\\root\\CertToReg\\ca.cer", u"ca.cer", false},            // "root" in the path only
  };
  for (const auto& e : entries) EXPECT_EQ(IsRootCertificateEntry(e.path, e.name), e.root);
}

namespace {
// Delivers a byte string at most `step` bytes per read.
struct Feed {
  std::vector<uint8_t> data;
  size_t pos = 0;
  uint32_t step = 1;
  bool failAtEnd = false;
};
bool FeedRead(void* context, uint8_t* buffer, uint32_t wanted, uint32_t* received) {
  auto* f = static_cast<Feed*>(context);
  if (f->pos == f->data.size()) {
    *received = 0;
    return !f->failAtEnd;
  }
  uint32_t n = std::min<uint32_t>({wanted, f->step, uint32_t(f->data.size() - f->pos)});
  std::memcpy(buffer, f->data.data() + f->pos, n);
  f->pos += n;
  *received = n;
  return true;
}
void Frame(Feed* f, const std::string& text) {
  const uint32_t n = uint32_t(text.size());
  for (int i = 0; i < 4; ++i) f->data.push_back(uint8_t(n >> (8 * i)));
  f->data.insert(f->data.end(), text.begin(), text.end());
}
}  // namespace

TEST(FirefoxImport, FramesAreReadWholeAndBounded) {
  const struct { const char* what; std::vector<std::string> frames; uint32_t step; bool end;
                 FrameReadOutcome outcome; std::string text; } cases[] = {
      {"byte-by-byte reads", {"CXWSSROOT   CT,C,C", "\n"}, 1, true, FrameReadOutcome::kComplete, "CXWSSROOT CT,C,C\n"},
      {"space runs across one frame only", {"a  ", "  b"}, 7, true, FrameReadOutcome::kComplete, "a  b"},
      {"text stops at a zero byte", {std::string("ab\0cd", 5)}, 3, true, FrameReadOutcome::kComplete, "ab"},
      {"end frame only", {}, 2, true, FrameReadOutcome::kComplete, ""},
      {"no end frame", {"abc"}, 64, false, FrameReadOutcome::kCut, "abc"},
      {"nothing at all", {}, 1, false, FrameReadOutcome::kNoData, ""},
      {"frame over 64 KiB", {std::string(kFrameMaxBytes + 1, 'x')}, 4096, true, FrameReadOutcome::kCut, ""},
  };
  for (const auto& c : cases) {
    Feed f;
    f.step = c.step;
    for (const std::string& s : c.frames) Frame(&f, s);
    if (c.end) Frame(&f, "");
    std::string out;
    EXPECT_EQ(ReadFrames(&FeedRead, &f, &out), c.outcome) << c.what;
    EXPECT_EQ(out, c.text) << c.what;
  }
  Feed huge{{0xFF, 0xFF, 0xFF, 0xFF, 'x'}};  // a length of 0xFFFFFFFF: refused before any allocation
  Feed failing{{5, 0, 0, 0, 'a', 'b'}, 0, 1, true};  // a read error in the middle of a frame
  for (Feed* f : {&huge, &failing}) {
    std::string out;
    EXPECT_EQ(ReadFrames(&FeedRead, f, &out), FrameReadOutcome::kCut);
  }
}
