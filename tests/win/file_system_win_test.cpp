// File services against real files, real sharing violations and the real
// pending-rename list of the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/file_actions.h"
#include "common/result_codes.h"
#include "platform/file_system.h"
#include "platform/pending_renames.h"
#include "platform/win_handles.h"
#include "tinyxml.h"
#include "win_test_support.h"

// Readable failure output for pending entries.
void PrintTo(const PendingRename& e, std::ostream* os) {
  *os << "{" << std::string(e.source.begin(), e.source.end()) << " -> "
      << (e.replaceExisting ? "!" : "") << std::string(e.target.begin(), e.target.end()) << "}";
}

namespace {
const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

const char16_t* U(const std::wstring& s) { return AsU16(s.c_str()); }

bool ReadPending(std::vector<PendingRename>* entries) {
  entries->clear();
  ScopedRegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.Receive()))
    return false;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type, nullptr, &size)) return false;
  std::vector<uint8_t> bytes(size);
  if (size && RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type, bytes.data(), &size))
    return false;
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(ParsePendingRenames(bytes.data(), size, entries), CX_OK);
  return true;
}

// Takes this test's entries out of the pending list again (and the value
// itself, when it was absent before and nothing else is left). Entries of
// other processes stay. The list is rewritten as a whole, so these tests
// take turns: a test running in another process meanwhile would lose its
// entries to our rewrite.
class PendingRenamesGuard {
 public:
  explicit PendingRenamesGuard(const TestFolder& folder)
      : turn_(CreateMutexW(nullptr, FALSE, L"cxsetup_files_test_pending_renames")),
        folder_(AsU16(folder.Path().c_str())) {
    if (turn_) WaitForSingleObject(turn_.Get(), INFINITE);
    std::vector<PendingRename> ignored;
    existed_ = ReadPending(&ignored);
  }
  ~PendingRenamesGuard() {
    Restore();
    if (turn_) ReleaseMutex(turn_.Get());
  }
  void Restore() {
    std::vector<PendingRename> all, kept;
    if (!ReadPending(&all)) return;
    for (const PendingRename& e : all)
      if (!PendingRenameMentions(e, folder_)) kept.push_back(e);
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.Receive()))
      return;
    if (kept.empty() && !existed_) {
      RegDeleteValueW(key.Get(), kPendingValue);
    } else {
      std::vector<uint8_t> bytes = BuildPendingRenames(kept);
      RegSetValueExW(key.Get(), kPendingValue, 0, REG_MULTI_SZ, bytes.data(),
                     static_cast<DWORD>(bytes.size()));
    }
  }
  // The entries of this test, in registration order, with DOS paths.
  std::vector<PendingRename> Mine() const {
    std::vector<PendingRename> all, mine;
    ReadPending(&all);
    for (PendingRename e : all) {
      if (!PendingRenameMentions(e, folder_)) continue;
      e.source = FromNtPath(e.source);
      e.target = FromNtPath(e.target);
      mine.push_back(e);
    }
    return mine;
  }

 private:
  ScopedHandle turn_;
  std::u16string folder_;
  bool existed_ = false;
};

PendingRename Delete(const std::wstring& path) {
  PendingRename e;
  e.source = AsU16(path.c_str());
  return e;
}

PendingRename Move(const std::wstring& from, const std::wstring& to) {
  PendingRename e;
  e.source = AsU16(from.c_str());
  e.target = AsU16(to.c_str());
  e.replaceExisting = true;
  return e;
}

std::wstring CopyHelper(const TestFolder& folder, const wchar_t* helper, const wchar_t* name) {
  std::wstring to = folder.File(name);
  EXPECT_TRUE(CopyFileW(TestHelperPath(helper).c_str(), to.c_str(), FALSE));
  return to;
}

std::vector<uint32_t> VersionOf(const std::wstring& path) {
  uint32_t parts[4] = {};
  if (GetFileVersionNumbers(U(path), parts) != CX_OK) return {};
  return {parts[0], parts[1], parts[2], parts[3]};
}

// ---- ReplaceFile ----

TEST(ReplaceFile, CopiesNewAndOverwritesReadOnly) {
  TestFolder dir;
  std::wstring src = dir.Write(L"new.txt", "new");
  std::wstring dst = dir.File(L"dst.txt");
  uint32_t restart = 7;
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, &restart), CX_OK);
  EXPECT_EQ(ReadFileText(dst), L"new");
  EXPECT_EQ(restart, 0u);

  dir.Write(L"dst.txt", "old");
  SetFileAttributesW(dst.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, &restart), CX_OK);
  EXPECT_EQ(ReadFileText(dst), L"new");
  EXPECT_FALSE(FileExists(dst + L"_Discard_1"));  // the old file is gone, not parked
  EXPECT_EQ(restart, 0u);

  EXPECT_EQ(ReplaceFile(U(dir.File(L"missing")), U(dst), 0, nullptr), CX_WIN_ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReplaceFile(U(dir.Path()), U(dst), 0, nullptr), CX_E_INVALID_ARG);  // folder source
  EXPECT_EQ(ReplaceFile(U(src), U(dir.Path()), 0, nullptr), CX_E_INVALID_ARG);
  EXPECT_EQ(ReplaceFile(u"", U(dst), 0, nullptr), CX_E_INVALID_ARG);
}

TEST(ReplaceFile, PutsTheOldFileBackWhenTheCopyFails) {
  TestFolder dir;
  PendingRenamesGuard pending(dir);
  std::wstring src = dir.Write(L"new.txt", "new");
  std::wstring dst = dir.Write(L"dst.txt", "old");
  HelperProcess sourceLocked(L"hold \"" + src + L"\" none 60000");
  ASSERT_TRUE(sourceLocked.Started());
  // Renamed aside, the copy fails: the old file returns to its name.
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, nullptr), CX_WIN_ERROR_SHARING_VIOLATION);
  EXPECT_EQ(ReadFileText(dst), L"old");
  EXPECT_FALSE(FileExists(dst + L"_Discard_1"));
  // Not even renamable: no half-made side file and nothing scheduled.
  HelperProcess destLocked(L"hold \"" + dst + L"\" none 60000");
  ASSERT_TRUE(destLocked.Started());
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, nullptr), CX_WIN_ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(FileExists(dst + L"_Discard_1"));
  EXPECT_TRUE(pending.Mine().empty());
}

TEST(ReplaceFile, InUseWithDeleteSharingIsMovedAside) {
  TestFolder dir;
  PendingRenamesGuard pending(dir);
  std::wstring src = dir.Write(L"new.txt", "new");
  std::wstring dst = dir.Write(L"dst.txt", "old");
  {
    HelperProcess holder(L"hold \"" + dst + L"\" delete 60000");
    ASSERT_TRUE(holder.Started());
    uint32_t restart = 7;
    EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, &restart), CX_OK);
    EXPECT_EQ(ReadFileText(dst), L"new");  // in place at once
    // The old file was renamed aside and deleted; with delete sharing it
    // goes when the holder closes it, without a restart.
    EXPECT_EQ(restart, 0u);
    EXPECT_TRUE(pending.Mine().empty());
  }
  EXPECT_FALSE(FileExists(dst + L"_Discard_1"));
  EXPECT_EQ(ReadFileText(dst), L"new");
}

TEST(ReplaceFile, RunningImageIsMovedAsideAndDeletedAtRestart) {
  TestFolder dir;
  PendingRenamesGuard pending(dir);
  std::wstring src = dir.Write(L"new.txt", "new");
  // Not named .exe, so ReplaceFile does not end it: a running image can be
  // renamed but not deleted.
  std::wstring dst = CopyHelper(dir, L"cx_test_helper.exe", L"tool.bin");
  dir.Write(L"tool.bin_Discard_1", "someone else's");
  HelperProcess running(L"sleep 60000", dst);
  ASSERT_TRUE(running.Started());
  uint32_t restart = 0;
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, &restart), CX_OK);
  EXPECT_EQ(ReadFileText(dst), L"new");
  EXPECT_EQ(restart, 1u);
  std::wstring side = dst + L"_Discard_2";  // _Discard_1 was taken
  EXPECT_TRUE(FileExists(side));
  EXPECT_EQ(ReadFileText(dst + L"_Discard_1"), L"someone else's");
  std::vector<PendingRename> expected = {Delete(side)};
  EXPECT_EQ(pending.Mine(), expected);
}

TEST(ReplaceFile, LockedWithoutSharingIsReplacedAtRestart) {
  TestFolder dir;
  PendingRenamesGuard pending(dir);
  std::wstring src = dir.Write(L"new.txt", "new");
  std::wstring dst = dir.Write(L"dst.txt", "old");
  dir.Write(L"dst.txt_Discard_1", "taken");
  HelperProcess holder(L"hold \"" + dst + L"\" none 60000");
  ASSERT_TRUE(holder.Started());
  uint32_t restart = 0;
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, &restart), CX_OK);
  EXPECT_EQ(restart, 1u);
  std::wstring side = dst + L"_Discard_2";
  EXPECT_EQ(ReadFileText(side), L"new");
  // First the old file goes, then the new one moves in.
  std::vector<PendingRename> expected = {Delete(dst), Move(side, dst)};
  EXPECT_EQ(pending.Mine(), expected);
}

TEST(ReplaceFile, EndsTheRunningExeItReplaces) {
  TestFolder dir;
  PendingRenamesGuard pending(dir);
  std::wstring src = dir.Write(L"new.txt", "new");
  std::wstring dst = CopyHelper(dir, L"cx_test_helper.exe", L"tool.EXE");
  HelperProcess running(L"sleep 60000", dst);
  ASSERT_TRUE(running.Started());
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, nullptr), CX_OK);
  EXPECT_TRUE(running.WaitEnded(10000));
  EXPECT_EQ(ReadFileText(dst), L"new");
}

TEST(ReplaceFile, GivesUpPastTheLastSideName) {
  TestFolder dir;
  std::wstring src = dir.Write(L"new.txt", "new");
  std::wstring dst = dir.Write(L"dst.txt", "old");
  for (int n = 1; n <= kMaxDiscardIndex; ++n) {
    std::wstring side = dst + L"_Discard_" + std::to_wstring(n);
    CloseHandle(CreateFileW(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  }
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, nullptr), CX_WIN_ERROR_ALREADY_EXISTS);
  EXPECT_EQ(ReadFileText(dst), L"old");
}

TEST(ReplaceFile, KeepsANewerInstalledFileWhenAsked) {
  struct Case {
    const wchar_t* installed;  // helper DLL, or null for a file without a version
    int compareVersion;
    bool kept;
  } cases[] = {
      {L"cx_version_dll_newer.dll", 1, true},    // 1.2.4.0 over 1.2.3.4: kept
      {L"cx_version_dll_older.dll", 1, false},   // 1.2.3.3: replaced
      {L"cx_version_dll.dll", 1, false},         // equal: replaced
      {L"cx_version_dll_remark.dll", 1, false},  // unreadable version text: replaced
      {nullptr, 1, false},                       // no version resource: replaced
      {L"cx_version_dll_newer.dll", 0, false},   // no comparison asked
  };
  for (const Case& c : cases) {
    TestFolder dir;
    std::wstring dst = dir.File(L"module.dll");
    if (c.installed)
      CopyHelper(dir, c.installed, L"module.dll");
    else
      dir.Write(L"module.dll", "plain");
    std::wstring src = TestHelperPath(L"cx_version_dll.dll");
    std::vector<uint32_t> before = VersionOf(dst);
    EXPECT_EQ(ReplaceFile(U(src), U(dst), c.compareVersion, nullptr), CX_OK);
    std::vector<uint32_t> expected = c.kept ? before : std::vector<uint32_t>{1, 2, 3, 4};
    EXPECT_EQ(VersionOf(dst), expected) << "case " << (&c - cases);
  }
}

TEST(GetFileVersionNumbers, ReadsTheFileVersionText) {
  EXPECT_EQ(VersionOf(TestHelperPath(L"cx_version_dll.dll")), (std::vector<uint32_t>{1, 2, 3, 4}));
  uint32_t parts[4] = {9, 9, 9, 9};
  EXPECT_EQ(GetFileVersionNumbers(U(TestHelperPath(L"cx_version_dll_remark.dll")), parts),
            CX_E_BAD_DATA);
  TestFolder dir;
  EXPECT_NE(GetFileVersionNumbers(U(dir.Write(L"plain.txt", "x")), parts), CX_OK);
  EXPECT_EQ(parts[0], 9u);  // untouched on failure
  EXPECT_EQ(GetFileVersionNumbers(u"", parts), CX_E_INVALID_ARG);
}

// ---- deleting ----

TEST(DeleteFileOrSchedule, DeletesOrSchedulesALockedFile) {
  TestFolder dir;
  PendingRenamesGuard pending(dir);
  uint32_t restart = 7;
  EXPECT_EQ(DeleteFileOrSchedule(U(dir.File(L"missing")), &restart), CX_OK);
  EXPECT_EQ(restart, 0u);
  EXPECT_EQ(DeleteFileOrSchedule(u"C:\\", nullptr), CX_E_INVALID_ARG);  // too short
  EXPECT_EQ(DeleteFileOrSchedule(U(dir.Path()), nullptr), CX_E_INVALID_ARG);  // a folder

  std::wstring locked = dir.Write(L"locked.txt", "x");
  HelperProcess holder(L"hold \"" + locked + L"\" none 60000");
  ASSERT_TRUE(holder.Started());
  EXPECT_EQ(DeleteFileOrSchedule(U(locked), &restart), CX_OK);
  EXPECT_EQ(restart, 1u);
  std::vector<PendingRename> expected = {Delete(locked)};
  EXPECT_EQ(pending.Mine(), expected);
}

TEST(DeleteDirectoryTree, RemovesAllButTheLockedFileAndSchedulesTheRest) {
  TestFolder dir;
  PendingRenamesGuard pending(dir);
  std::wstring root = dir.File(L"tree");
  ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((root + L"\\sub").c_str(), nullptr));
  dir.Write(L"tree\\a.txt", "a");
  dir.Write(L"tree\\sub\\b.txt", "b");
  std::wstring locked = dir.Write(L"tree\\sub\\locked.txt", "x");
  HelperProcess holder(L"hold \"" + locked + L"\" none 60000");
  ASSERT_TRUE(holder.Started());

  // Through the DelDir action, as a script removes an install folder.
  char xml[MAX_PATH * 3];
  WideCharToMultiByte(CP_UTF8, 0, (L"<DelDir Src=\"" + root + L"\" CheckIsEmpty=\"false\"/>").c_str(),
                      -1, xml, sizeof xml, nullptr, nullptr);
  TiXmlDocument doc;
  doc.Parse(xml);
  ScriptElement element(doc.RootElement(), 0, 1);
  EXPECT_EQ(DelDirAction(&element).Execute(nullptr), CX_OK);
  EXPECT_FALSE(FileExists(root + L"\\a.txt"));
  EXPECT_FALSE(FileExists(root + L"\\sub\\b.txt"));
  EXPECT_TRUE(FileExists(locked));
  // The file before its folders, innermost folder first.
  std::vector<PendingRename> expected = {Delete(locked), Delete(root + L"\\sub"), Delete(root)};
  EXPECT_EQ(pending.Mine(), expected);

  uint32_t restart = 7;
  EXPECT_EQ(DeleteDirectoryTree(U(dir.File(L"missing")), &restart), CX_OK);
  EXPECT_EQ(restart, 0u);
  // A file is not a folder tree: refused rather than deleted at restart.
  std::wstring file = dir.Write(L"file.txt", "x");
  EXPECT_EQ(DeleteDirectoryTree(U(file), nullptr), CX_E_INVALID_ARG);
  EXPECT_TRUE(FileExists(file));
}

// ---- folders ----

TEST(CopyDirectoryTree, CopiesIntoFoldersWithPointsInTheirNames) {
  TestFolder dir;
  std::wstring pkg = dir.File(L"pkg");
  CreateDirectoryW(pkg.c_str(), nullptr);
  CreateDirectoryW((pkg + L"\\bin").c_str(), nullptr);
  CreateDirectoryW((pkg + L"\\v1.5").c_str(), nullptr);
  dir.Write(L"pkg\\top.txt", "top");
  dir.Write(L"pkg\\bin\\a.txt", "a");
  dir.Write(L"pkg\\v1.5\\b.txt", "b");
  for (const wchar_t* dest : {L"Vendor\\Tool 2.0\\", L"Other\\Tool 3.0"}) {
    std::wstring to = dir.File(dest);
    EXPECT_EQ(CopyDirectoryTree(U(pkg), U(to)), CX_OK) << dest;
    std::wstring base = NormalizeFolderPath(U(to)).W();
    EXPECT_EQ(ReadFileText(base + L"top.txt"), L"top");
    EXPECT_EQ(ReadFileText(base + L"bin\\a.txt"), L"a");
    EXPECT_EQ(ReadFileText(base + L"v1.5\\b.txt"), L"b");
  }
  EXPECT_EQ(CopyDirectoryTree(U(dir.File(L"missing")), U(dir.File(L"x"))),
            CX_WIN_ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(CopyDirectoryTree(U(dir.File(L"pkg\\top.txt")), U(dir.File(L"x"))), CX_E_INVALID_ARG);
}

TEST(CreateDirectoryPath, TreatsAPointedLastPartAsAFileName) {
  TestFolder dir;
  EXPECT_EQ(CreateDirectoryPath(U(dir.File(L"A\\B"))), CX_OK);
  EXPECT_TRUE(IsDirectoryPath(U(dir.File(L"A\\B"))));
  EXPECT_EQ(CreateDirectoryPath(U(dir.File(L"Data\\v1.2"))), CX_OK);
  EXPECT_TRUE(IsDirectoryPath(U(dir.File(L"Data"))));
  EXPECT_FALSE(FileExists(dir.File(L"Data\\v1.2")));
  EXPECT_EQ(CreateDirectoryPath(u"C:\\"), CX_E_INVALID_ARG);

  // The folder form creates every part.
  EXPECT_EQ(CreateFolderPath(U(dir.File(L"Data\\v1.2"))), CX_OK);
  EXPECT_TRUE(IsDirectoryPath(U(dir.File(L"Data\\v1.2"))));
  EXPECT_EQ(CreateFolderPath(U(dir.Write(L"file.txt", "x"))), CX_WIN_ERROR_ALREADY_EXISTS);
}

TEST(NormalizeFolderPath, Table) {
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"C:\\a", u"C:\\a\\"},                      // separator appended
      {u"C:\\a\\", u"C:\\a\\"},                    // not doubled
      {u"C:/a/b", u"C:\\a\\b\\"},                  // forward slashes
      {u"C:\\a\\\\\\b", u"C:\\a\\\\b\\"},          // three in a row become two
      {u"\\\\srv\\share", u"\\\\srv\\share\\"},    // UNC prefix kept
  };
  for (const Case& c : cases)
    EXPECT_EQ(NormalizeFolderPath(c.in).Str(), std::u16string(c.out)) << "case " << (&c - cases);
}
}  // namespace
