// File services against real files, real sharing violations and the real
// pending-rename list of the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "platform/file_system.h"
#include "platform/pending_renames.h"
#include "common/win_handles.h"
#include "win_test_support.h"

void PrintTo(const PendingRename& e, std::ostream* os) {
  *os << "{" << std::string(e.source.begin(), e.source.end()) << " -> "
      << (e.replaceExisting ? "!" : "") << std::string(e.target.begin(), e.target.end()) << "}";
}

namespace {
const char16_t* U(const std::wstring& s) { return AsU16(s.c_str()); }

PendingRename Pending(const std::wstring& from, const std::wstring& to = L"") {
  PendingRename e;
  e.source = AsU16(from.c_str());
  e.target = AsU16(to.c_str());
  e.replaceExisting = !to.empty();
  return e;
}

std::vector<uint32_t> VersionOf(const std::wstring& path) {
  uint32_t parts[4] = {};
  if (GetFileVersionNumbers(U(path), parts) != CX_OK) return {};
  return {parts[0], parts[1], parts[2], parts[3]};
}

TEST(ReplaceFile, OverwritesReadOnlyAndLosesNoFileWhenTheCopyFails) {
  TestFolder dir;
  PendingRenamesGuard pending(dir.Path());
  std::wstring src = dir.Write(L"new.txt", "new");
  std::wstring dst = dir.Write(L"dst.txt", "old");
  SetFileAttributesW(dst.c_str(), FILE_ATTRIBUTE_READONLY);
  uint32_t restart = 7;
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, &restart), CX_OK);
  EXPECT_EQ(ReadFileText(dst), L"new");
  EXPECT_FALSE(FileExists(dst + L"_Discard_1"));  // the old file is gone, not parked
  EXPECT_EQ(restart, 0u);

  dir.Write(L"dst.txt", "old");
  HelperProcess sourceLocked(L"hold \"" + src + L"\" none 60000");
  ASSERT_TRUE(sourceLocked.Started());
  // Renamed aside, the copy fails: the old file returns to its name.
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, nullptr), CX_WIN_ERROR_SHARING_VIOLATION);
  EXPECT_EQ(ReadFileText(dst), L"old");
  EXPECT_FALSE(FileExists(dst + L"_Discard_1"));
  EXPECT_TRUE(pending.Mine().empty());
}

std::vector<std::wstring> FilesIn(const TestFolder& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(FindFirstFileW((dir.Path() + L"*").c_str(), &found));
  if (!find) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(find.Get(), &found));
  std::sort(names.begin(), names.end());
  return names;
}

// The new content takes the destination's name only once it is complete,
// and no fresh file stays behind: not ours, and not one an earlier run left
// by a power cut. A file that only looks similar is not ours.
TEST(ReplaceFile, LeavesNoFreshFileAndRemovesOneLeftBefore) {
  TestFolder dir;
  const std::wstring src = dir.Write(L"new.txt", "new");
  const std::wstring dst = dir.Write(L"dst.txt", "old");
  dir.Write(L"dst.txt.~cx0000ABCD", "left by a power cut");
  dir.Write(L"dst.txt.~cxNotOurs!", "someone else's");
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, nullptr), CX_OK);
  EXPECT_EQ(ReadFileText(dst), L"new");
  EXPECT_EQ(ReplaceFileWithBytes("made", 4, U(dir.File(L"made.txt")), nullptr), CX_OK);
  EXPECT_EQ(ReadFileText(dir.File(L"made.txt")), L"made");
  EXPECT_EQ(FilesIn(dir), (std::vector<std::wstring>{L"dst.txt", L"dst.txt.~cxNotOurs!", L"made.txt",
                                                     L"new.txt"}));
}

// Our own restart entries are taken back exactly, and an entry another
// program adds between our reading and our write survives.
TEST(PendingRenames, TakingOursBackKeepsAnEntryAddedMeanwhile) {
  TestFolder dir;
  PendingRenamesGuard pending(dir.Path());
  const std::wstring kept = dir.Write(L"kept.txt", "k"), ours = dir.Write(L"ours.txt", "o");
  const std::wstring theirs = dir.Write(L"theirs.txt", "t");
  ASSERT_TRUE(MoveFileExW(kept.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExW(ours.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  PendingRename mine;
  ASSERT_EQ(PendingDeleteOf(U(ours), &mine), CX_OK);
  int readings = 0;
  EXPECT_EQ(TakeBackOwnPendingRenames({mine},
                                      [&] {
                                        if (readings++ == 0)
                                          MoveFileExW(theirs.c_str(), nullptr,
                                                      MOVEFILE_DELAY_UNTIL_REBOOT);
                                      }),
            CX_OK);
  EXPECT_EQ(pending.Mine(), (std::vector<PendingRename>{Pending(kept), Pending(theirs)}));
}

TEST(ReplaceFile, RunningImageIsMovedAsideAndDeletedAtRestart) {
  TestFolder dir;
  PendingRenamesGuard pending(dir.Path());
  std::wstring src = dir.Write(L"new.txt", "new");
  // Not named .exe, so ReplaceFile does not end it: a running image can be
  // renamed but not deleted.
  std::wstring dst = dir.File(L"tool.bin");
  ASSERT_TRUE(CopyFileW(TestHelperPath(L"cx_test_helper.exe").c_str(), dst.c_str(), FALSE));
  dir.Write(L"tool.bin_Discard_1", "someone else's");
  HelperProcess running(L"sleep 60000", dst);
  ASSERT_TRUE(running.Started());
  uint32_t restart = 0;
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, &restart), CX_OK);
  EXPECT_EQ(ReadFileText(dst), L"new");  // in place at once
  EXPECT_EQ(restart, 1u);
  EXPECT_EQ(ReadFileText(dst + L"_Discard_1"), L"someone else's");
  EXPECT_EQ(pending.Mine(), std::vector<PendingRename>{Pending(dst + L"_Discard_2")});
}

TEST(ReplaceFile, LockedWithoutSharingIsReplacedAtRestart) {
  TestFolder dir;
  PendingRenamesGuard pending(dir.Path());
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
  EXPECT_EQ(pending.Mine(), (std::vector<PendingRename>{Pending(dst), Pending(side, dst)}));
}

TEST(ReplaceFile, InUseGivesUpPastTheLastSideName) {
  TestFolder dir;
  PendingRenamesGuard pending(dir.Path());
  std::wstring src = dir.Write(L"new.txt", "new");
  std::wstring dst = dir.Write(L"dst.txt", "old");
  for (int n = 1; n <= kMaxDiscardIndex; ++n) {
    std::wstring side = dst + L"_Discard_" + std::to_wstring(n);
    CloseHandle(CreateFileW(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  }
  HelperProcess holder(L"hold \"" + dst + L"\" read 60000");
  ASSERT_TRUE(holder.Started());
  EXPECT_EQ(ReplaceFile(U(src), U(dst), 0, nullptr), CX_WIN_ERROR_ALREADY_EXISTS);
  EXPECT_EQ(ReadFileText(dst), L"old");
  EXPECT_EQ(FilesIn(dir).size(), size_t(kMaxDiscardIndex) + 2);  // no fresh file left
  EXPECT_TRUE(pending.Mine().empty());
}

TEST(ReplaceFile, CmpVerKeepsOnlyANewerInstalledFile) {
  const std::wstring src = TestHelperPath(L"cx_version_dll.dll");  // 1.2.3.4
  EXPECT_EQ(VersionOf(src), (std::vector<uint32_t>{1, 2, 3, 4}));
  const struct { const wchar_t* installed; std::vector<uint32_t> after; } cases[] = {
      {L"cx_version_dll_newer.dll", {1, 2, 4, 0}},  // kept
      {L"cx_version_dll.dll", {1, 2, 3, 4}},        // equal: replaced
      {L"cx_version_dll_older.dll", {1, 2, 3, 4}},  // replaced
  };
  for (const auto& c : cases) {
    TestFolder dir;
    std::wstring dst = dir.File(L"module.dll");
    ASSERT_TRUE(CopyFileW(TestHelperPath(c.installed).c_str(), dst.c_str(), FALSE));
    EXPECT_EQ(ReplaceFile(U(src), U(dst), 1, nullptr), CX_OK);
    EXPECT_EQ(VersionOf(dst), c.after) << (&c - cases);
  }
}

TEST(DelDir, RemovesAllButTheLockedFileWhichGoesAtRestart) {
  TestFolder dir;
  PendingRenamesGuard pending(dir.Path());
  std::wstring root = dir.File(L"tree");
  ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((root + L"\\sub").c_str(), nullptr));
  dir.Write(L"tree\\a.txt", "a");
  std::wstring locked = dir.Write(L"tree\\sub\\locked.txt", "x");
  HelperProcess holder(L"hold \"" + locked + L"\" none 60000");
  ASSERT_TRUE(holder.Started());
  EXPECT_EQ(RunAction(TestElement(L"<DelDir Src=\"" + root + L"\" CheckIsEmpty=\"false\"/>")),
            CX_OK);
  EXPECT_FALSE(FileExists(root + L"\\a.txt"));
  // The file before its folders, innermost folder first.
  EXPECT_EQ(pending.Mine(),
            (std::vector<PendingRename>{Pending(locked), Pending(root + L"\\sub"), Pending(root)}));
}
}  // namespace
