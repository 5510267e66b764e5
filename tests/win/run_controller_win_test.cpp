// The run controller in this process, without a window: a recorder in place
// of the dialog, and the dialog tests' package (resource 173) with its one
// tolerated action.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/installer_engine.h"
#include "app/run_controller.h"
#include "app/run_observer.h"

namespace {
constexpr uint32_t kDialogPackage = 173;
using Seen = std::vector<std::string>;

// What the dialog would have shown, in order.
class Recorder : public RunObserver {
 public:
  Seen seen;
  void ShowMessage(const WString&, const WString&, uint32_t style) override {
    seen.push_back("message " + std::to_string(style));
  }
  void ShowProgressBar() override { seen.push_back("bar"); }
  void SetProgress(uint32_t percent) override { seen.push_back(std::to_string(percent)); }
  void ShowResult(bool succeeded) override { seen.push_back(succeeded ? "ok" : "failed"); }
  void Announce(const WString&, const WString&) override { seen.push_back("balloon"); }
  void EndPresentation() override { seen.push_back("end"); }
};

// The dialog tests' setup program holds this product's instance lock while
// it runs: runs of the product take turns.
class Turn {
 public:
  Turn() : mutex_(::CreateMutexW(nullptr, FALSE, L"Local\\cx_dialog_setup_test_turn")) {
    if (mutex_) ::WaitForSingleObject(mutex_, 180000);
  }
  ~Turn() {
    if (!mutex_) return;
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
};

// An engine as the command line `args` sets it up.
struct Engine : InstallerEngine {
  explicit Engine(std::vector<std::u16string> args) {
    int exitNow = 0;
    EXPECT_EQ(HandleCmdLineWith(this, args, u"C:\\d\\setup.exe", &exitNow), 1);
  }
};

bool Exists(const WString& path) { return ::GetFileAttributesW(path.W()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

TEST(RunControllerWin, PresentedRunReportsItsStepsAndWaitsForFinish) {
  Turn turn;
  Engine engine({}), other({});
  RunController run(&engine, kDialogPackage), second(&other, kDialogPackage);
  Recorder shown, refused;
  ASSERT_EQ(run.Prepare(&shown), RunOutcome::kSucceeded);
  EXPECT_FALSE(run.StartsAtOnce());
  // The first holds the lock: the second only shows why it ends.
  EXPECT_EQ(second.Prepare(&refused), RunOutcome::kAnotherInstance);
  EXPECT_EQ(refused.seen, Seen{"message " + std::to_string(MB_ICONERROR | MB_TOPMOST)});
  EXPECT_EQ(second.Conclude(), 1618u);

  ASSERT_TRUE(run.Claim());
  EXPECT_FALSE(run.Claim()) << "one run per program";
  EXPECT_FALSE(run.Finish()) << "no Finish before the run is over";
  EXPECT_EQ(run.Execute(), 1u);
  // One action: the bar before it, 100 after it, then the result page.
  EXPECT_EQ(shown.seen, (Seen{"bar", "bar", "100", "ok"}));
  EXPECT_TRUE(Exists(run.PackageFolder())) << "the finish list waits for Finish";
  EXPECT_TRUE(run.Finish());
  EXPECT_FALSE(Exists(run.PackageFolder()));
  EXPECT_EQ(run.Outcome(), RunOutcome::kSucceeded);
}

TEST(RunControllerWin, SilentQuietAndCancelledRunsEndByThemselves) {
  Turn turn;
  {
    Engine engine({u"/S"});
    RunController run(&engine, kDialogPackage);
    Recorder shown;
    ASSERT_EQ(run.Prepare(&shown), RunOutcome::kSucceeded);
    EXPECT_TRUE(run.StartsAtOnce());
    ASSERT_TRUE(run.Claim());
    EXPECT_EQ(run.Execute(), 1u);
    EXPECT_EQ(shown.seen, (Seen{"bar", "bar", "100", "ok", "balloon", "end"}));
    EXPECT_FALSE(Exists(run.PackageFolder())) << "finished and cleaned up without Finish";
    EXPECT_EQ(run.State(), kRunFinished);
  }
  {
    Engine engine({u"/QUIET"});
    RunController run(&engine, kDialogPackage);
    run.RunUnattended();
    EXPECT_EQ(run.Outcome(), RunOutcome::kSucceeded);
    EXPECT_FALSE(Exists(run.PackageFolder()));
  }
  {
    Engine engine({});
    RunController run(&engine, kDialogPackage);
    Recorder shown;
    ASSERT_EQ(run.Prepare(&shown), RunOutcome::kSucceeded);
    ASSERT_TRUE(run.Claim());
    run.Cancel();
    EXPECT_EQ(run.Execute(), 0xFFFFFFFFu);
    EXPECT_EQ(shown.seen, Seen{"end"}) << "no action ran, no result page";
    EXPECT_EQ(run.Conclude(), 1602u);
  }
}
