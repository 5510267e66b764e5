// The installer engine under Wine: command line into mode and context, the
// package loaded from this program's own resources, the install list run by
// the real actions, the single-instance lock and the clean-up.
#include <gtest/gtest.h>
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <regex>

#include "app/installer_engine.h"
#include "win_test_support.h"

namespace {
constexpr uint32_t kGoodPackage = 170;
constexpr uint32_t kNoPublisherPackage = 172;
const char16_t kScript[] = u"\\PackageFiles\\SetupScript.xml";

bool Exists(const WString& path) { return GetFileAttributesW(path.W()) != INVALID_FILE_ATTRIBUTES; }

// %SystemRoot%\Temp\ as the system names it.
std::wstring WindowsTemp() {
  wchar_t windows[MAX_PATH];
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows) + L"\\Temp\\";
}

WString Join(const WString& folder, const char16_t* rest) {
  WString p(folder);
  p.Append(rest);
  return p;
}

// Lets a fixed number of threads go on together, round after round.
class Barrier {
 public:
  explicit Barrier(int count) : count_(count) {}
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    const unsigned round = round_;
    if (++waiting_ == count_) {
      waiting_ = 0;
      ++round_;
      changed_.notify_all();
      return;
    }
    changed_.wait(lock, [&] { return round_ != round; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  const int count_;
  int waiting_ = 0;
  unsigned round_ = 0;
};
}  // namespace

TEST(InstallerEngineWin, CommandLineSetsEngineAndContextAlike) {
  struct Case {
    std::vector<std::u16string> args;
    int32_t mode;
    uint32_t silent, copy;
  };
  const Case cases[] = {
      {{u"/s", u"/repair", u"/uninstall"}, kModeRepair, 1, 0},
      {{u"/Uninstall_Copy"}, kModeUninstall, 0, 1},
      {{u"-S"}, kModeInstall, 1, 0},
      {{u"/UPGRADE"}, kModeUpgrade, 0, 0},
  };
  for (const Case& c : cases) {
    InstallerEngine engine;
    int exitNow = 7;
    ASSERT_EQ(HandleCmdLineWith(&engine, c.args, u"C:\\d\\setup.exe", &exitNow), 1);
    EXPECT_EQ(exitNow, 0);
    EXPECT_EQ(engine.Mode(), c.mode);
    EXPECT_EQ(engine.Context().mode, engine.Mode());
    EXPECT_EQ(engine.IsSilent(), c.silent);
    EXPECT_EQ(engine.Context().silent, c.silent);
    EXPECT_EQ(engine.IsUninstallCopy(), c.copy);
    // An uninstall engine deletes its program when it goes: not this one.
    engine.SetRunFlags(kModeInstall, 0, 0, 1);
  }
}

TEST(InstallerEngineWin, NothingIsKnownBeforeThePackage) {
  InstallerEngine engine;
  WString value(u"untouched");
  EXPECT_EQ(engine.GetString("ProductCode", &value), 0);
  EXPECT_EQ(value.Str(), u"untouched");
  WString folder(u"x");
  EXPECT_EQ(engine.GetPackageFolder(&folder), 1);
  EXPECT_TRUE(folder.IsEmpty());
  // Every engine makes the working folder its current directory: Wine's
  // setup runs elevated, so the Windows folder's Temp, not the user's.
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  EXPECT_EQ(_wcsicmp(cwd, WindowsTemp().substr(0, WindowsTemp().size() - 1).c_str()), 0) << cwd;
}

TEST(InstallerEngineWin, LoadsThePackageAndCleansItUp) {
  WString folder;
  {
    InstallerEngine engine;
    ASSERT_EQ(engine.LoadPackage(kGoodPackage, kScript, 0), 1);
    engine.GetPackageFolder(&folder);
    // Under the Windows folder's Temp, which users cannot rename in, with
    // 64 random bits in its name and an access list for administrators.
    const std::wstring path(folder.W());
    EXPECT_TRUE(std::regex_match(path, std::wregex(L"(.*\\\\)CxKeyPackage_[0-9A-F]{16}\\\\")))
        << path;
    EXPECT_EQ(_wcsnicmp(path.c_str(), WindowsTemp().c_str(), WindowsTemp().size()), 0) << path;
    ExpectOnlyAdministratorsAndSystem(ReadBackDacl(path));
    // Held while the run lasts: neither the folder nor a file in it can be
    // renamed or deleted.
    const std::wstring script = path + L"PackageFiles\\SetupScript.xml";
    EXPECT_FALSE(MoveFileW(script.c_str(), (script + L".swapped").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileW(script.c_str()));
    const std::wstring bare = path.substr(0, path.size() - 1);
    EXPECT_FALSE(MoveFileW(bare.c_str(), (bare + L"_swapped").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    // The script alone is extracted; the rest waits until a run needs it.
    EXPECT_TRUE(Exists(Join(folder, u"PackageFiles\\SetupScript.xml")));
    EXPECT_FALSE(Exists(Join(folder, u"PackageFiles\\Bin")));
    ASSERT_EQ(engine.EnsurePackagePath(Join(folder, u"\\PackageFiles\\Bin\\Tree\\a.txt").Wide()), CX_OK);
    EXPECT_TRUE(Exists(Join(folder, u"PackageFiles\\Bin\\Tree\\Sub\\b.txt")));
    EXPECT_FALSE(Exists(Join(folder, u"PackageFiles\\Bin\\tool.dat"))) << "a folder, not the package";

    const InstallContext& ctx = engine.Context();
    EXPECT_EQ(ctx.productCode.Str(), u"CX_ENGINE_TEST_PRODUCT");
    EXPECT_EQ(ctx.publisher.Str(), u"R&D Tests");
    EXPECT_EQ(ctx.version[0], 2u);
    EXPECT_EQ(ctx.version[1], 1u);
    EXPECT_EQ(ctx.version[2], 0u);
    EXPECT_EQ(ctx.version[3], 7u);
    EXPECT_EQ(ctx.installDir, Join(folder, u"Installed"));
    WString bin, program;
    ASSERT_EQ(engine.GetString("BinDir", &bin), 1);
    EXPECT_EQ(bin, Join(folder, u"Installed\\Bin"));
    ASSERT_EQ(engine.GetString("ProgramDir", &program), 1);
    EXPECT_EQ(program.Str(), u"C:\\Program Files (x86)\\KOVA\\Tool") << "32-bit Program Files";

    // A second load reuses the folder it made.
    ASSERT_EQ(engine.LoadPackage(kGoodPackage, kScript, 0), 1);
    WString again;
    engine.GetPackageFolder(&again);
    EXPECT_EQ(again, folder);
  }
  EXPECT_FALSE(Exists(folder)) << "the engine's destructor removes the package folder";
}

TEST(InstallerEngineWin, ScriptOnlyExtractsJustTheScript) {
  InstallerEngine engine;
  // The filter ignores case.
  ASSERT_EQ(engine.LoadPackage(kGoodPackage, u"\\packagefiles\\setupscript.XML", 1), 1);
  WString folder;
  engine.GetPackageFolder(&folder);
  EXPECT_TRUE(Exists(Join(folder, u"PackageFiles\\SetupScript.xml")));
  EXPECT_FALSE(Exists(Join(folder, u"PackageFiles\\Bin\\tool.dat")));
  Cleanup(&engine);
  EXPECT_FALSE(Exists(folder));
}

TEST(InstallerEngineWin, RefusesAPackageWithoutPublisher) {
  InstallerEngine engine;
  EXPECT_EQ(engine.LoadPackage(kNoPublisherPackage, kScript, 0), 0);
  EXPECT_EQ(engine.LoadPackage(kGoodPackage, u"", 0), 0) << "empty script path";
  EXPECT_EQ(engine.LoadPackage(999, kScript, 0), 0) << "no such resource";
}

TEST(InstallerEngineWin, RunsTheInstallAndUninstallLists) {
  InstallerEngine engine;
  int exitNow = 0;
  ASSERT_EQ(HandleCmdLineWith(&engine, {}, u"C:\\d\\setup.exe", &exitNow), 1);
  ASSERT_EQ(engine.LoadPackage(kGoodPackage, kScript, 0), 1);
  const WString& dir = engine.Context().installDir;

  // KillProcess of an image that runs nowhere succeeds; both copies land,
  // the tree even under a folder name with a point in it.
  ASSERT_EQ(engine.RunActions(nullptr, nullptr), 1);
  EXPECT_EQ(ReadFileText(Join(dir, u"\\Bin\\tool.dat").W()), L"tool bytes\n");
  EXPECT_EQ(ReadFileText(Join(dir, u"\\Tree 2.0\\Sub\\b.txt").W()), L"nested\n");
  WString folder;
  engine.GetPackageFolder(&folder);
  EXPECT_FALSE(Exists(Join(folder, u"PackageFiles\\Bin"))) << "copied from the archive";
  EXPECT_EQ(engine.RunFinishActions(), 1) << "the empty finish list succeeds";

  // The same script's uninstall list removes the install folder.
  engine.SetRunFlags(kModeUninstall, 0, 0, 0);
  ASSERT_EQ(engine.RunActions(nullptr, nullptr), 1);
  EXPECT_FALSE(Exists(dir));
  EXPECT_EQ(engine.RunFinishActions(), 1) << "unknown elements are skipped in finish lists";
}

TEST(InstallerEngineWin, RepairHasNoList) {
  InstallerEngine engine;
  int exitNow = 0;
  ASSERT_EQ(HandleCmdLineWith(&engine, {u"/REPAIR"}, u"C:\\d\\setup.exe", &exitNow), 1);
  ASSERT_EQ(engine.LoadPackage(kGoodPackage, kScript, 0), 1);
  EXPECT_EQ(engine.RunActions(nullptr, nullptr), 0);
}

TEST(InstallerEngineWin, SecondInstanceIsRefusedUntilTheFirstCleansUp) {
  InstallerEngine first, second;
  ASSERT_EQ(first.LoadPackage(kGoodPackage, kScript, 1), 1);
  ASSERT_EQ(second.LoadPackage(kGoodPackage, kScript, 1), 1);
  ASSERT_EQ(CheckSingleInstance(&first, nullptr), 1);
  EXPECT_EQ(CheckSingleInstance(&second, nullptr), 0);
  EXPECT_EQ(CheckSingleInstance(&second, "CX_ENGINE_TEST_OTHER"), 1) << "another name is free";
  EXPECT_EQ(Cleanup(&first), 1) << "an install never deletes the program";
  EXPECT_EQ(Cleanup(&first), 1) << "a second clean-up is harmless";
  InstallerEngine third;
  ASSERT_EQ(third.LoadPackage(kGoodPackage, kScript, 1), 1);
  EXPECT_EQ(CheckSingleInstance(&third, nullptr), 1);
}

// Two setups that check at the same moment: whatever the timing, exactly one
// of them holds the lock. Threads behind a barrier hold the window open far
// more often than two whole processes starting together would.
TEST(InstallerEngineWin, OfTwoSetupsCheckingAtOnceExactlyOneHoldsTheLock) {
  constexpr int kRounds = 1000;
  const std::string name = "CX_ENGINE_RACE_" + std::to_string(GetCurrentProcessId());
  InstallerEngine engines[2];
  int held[2][kRounds] = {};
  Barrier barrier(2);
  auto contender = [&](int who) {
    for (int round = 0; round < kRounds; ++round) {
      barrier.Wait();
      held[who][round] = CheckSingleInstance(&engines[who], name.c_str());
      barrier.Wait();  // both have checked before either lets go
      Cleanup(&engines[who]);
    }
  };
  std::thread first(contender, 0), second(contender, 1);
  first.join();
  second.join();
  int both = 0, neither = 0;
  for (int round = 0; round < kRounds; ++round) {
    if (held[0][round] + held[1][round] == 2) ++both;
    if (held[0][round] + held[1][round] == 0) ++neither;
  }
  EXPECT_EQ(both, 0) << "rounds in which both setups held the lock";
  EXPECT_EQ(neither, 0) << "rounds in which neither did";
}
