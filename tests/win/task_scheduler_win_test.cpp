// The scheduled task through Wine's Task Scheduler 1.0: created, replaced,
// kept and deleted by ScheduleTask and the SetAppTaskScheduler action, and
// read back through ITask and ITaskTrigger. Each test uses task names of its
// own and deletes them again.
#include <windows.h>
#include <mstask.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/result_codes.h"
#include "common/win_handles.h"
#include "platform/task_scheduler.h"
#include "tinyxml.h"
#include "win_test_support.h"

namespace {
struct TaskFields {
  bool found = false;
  std::wstring application, parameters;
  DWORD flags = 0;
  WORD triggers = 0;
  TASK_TRIGGER trigger = {};
};

TaskFields ReadTask(const std::wstring& name) {
  TaskFields f;
  ScopedComInit com;
  ScopedComPtr<ITaskScheduler> scheduler;
  ScopedComPtr<ITask> task;
  if (FAILED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ITaskScheduler, reinterpret_cast<void**>(scheduler.Receive()))) ||
      FAILED(scheduler.Get()->Activate(name.c_str(), IID_ITask,
                                       reinterpret_cast<IUnknown**>(task.Receive()))))
    return f;
  f.found = true;
  ScopedCoTaskText text;
  if (SUCCEEDED(task.Get()->GetApplicationName(text.Receive()))) f.application = text.Get();
  if (SUCCEEDED(task.Get()->GetParameters(text.Receive()))) f.parameters = text.Get();
  task.Get()->GetFlags(&f.flags);
  task.Get()->GetTriggerCount(&f.triggers);
  ScopedComPtr<ITaskTrigger> trigger;
  if (f.triggers && SUCCEEDED(task.Get()->GetTrigger(0, trigger.Receive()))) {
    f.trigger.cbTriggerSize = sizeof(TASK_TRIGGER);
    trigger.Get()->GetTrigger(&f.trigger);
  }
  return f;
}

// A task name of this test's own, deleted when the test ends.
class TestTask {
 public:
  explicit TestTask(const wchar_t* tag)
      : name_(L"cxtest_" + std::to_wstring(GetCurrentProcessId()) + L"_" + tag) {
    ScheduleTask(u16(), nullptr, nullptr, 0, kTaskDelete, nullptr);
  }
  ~TestTask() { ScheduleTask(u16(), nullptr, nullptr, 0, kTaskDelete, nullptr); }
  const std::wstring& Name() const { return name_; }
  const char16_t* u16() const { return AsU16(name_.c_str()); }

 private:
  std::wstring name_;
};

constexpr char16_t kApp[] = u"C:\\Program Files\\Vendor\\TokenManager.exe";

TEST(ScheduleTask, CreatedTaskReadsBackAsADailyRepeatingLoggedOnTask) {
  TestTask task(L"create");
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  ASSERT_EQ(ScheduleTask(task.u16(), kApp, u"/check", 15, kTaskCreate, u"check"), CX_OK);
  GetLocalTime(&after);
  TaskFields f = ReadTask(task.Name());
  ASSERT_TRUE(f.found);
  EXPECT_EQ(f.application, AsWide(kApp));
  EXPECT_EQ(f.parameters, L"/check");
  EXPECT_TRUE(f.flags & TASK_FLAG_RUN_ONLY_IF_LOGGED_ON);
  ASSERT_EQ(f.triggers, 1);
  const TASK_TRIGGER& t = f.trigger;
  EXPECT_EQ(t.TriggerType, TASK_TIME_TRIGGER_DAILY);
  EXPECT_EQ(t.Type.Daily.DaysInterval, 1);
  EXPECT_EQ(t.wStartHour, 0);
  EXPECT_EQ(t.wStartMinute, 1);
  EXPECT_EQ(t.MinutesDuration, 1440u);
  EXPECT_EQ(t.MinutesInterval, 15u);
  EXPECT_EQ(t.wEndYear, 0);
  // The user's local date (either side of a midnight during the call).
  auto sameDay = [&](const SYSTEMTIME& s) {
    return t.wBeginYear == s.wYear && t.wBeginMonth == s.wMonth && t.wBeginDay == s.wDay;
  };
  EXPECT_TRUE(sameDay(before) || sameDay(after))
      << t.wBeginYear << "-" << t.wBeginMonth << "-" << t.wBeginDay << " vs local " << before.wYear
      << "-" << before.wMonth << "-" << before.wDay;
}

TEST(ScheduleTask, CreateReplacesAndABadIntervalKeepsTheOldTask) {
  TestTask task(L"replace");
  ASSERT_EQ(ScheduleTask(task.u16(), kApp, u"/a", 15, kTaskCreate, u""), CX_OK);
  ASSERT_EQ(ScheduleTask(task.u16(), u"C:\\Other.exe", u"/b", 30, kTaskCreate, u""), CX_OK);
  TaskFields f = ReadTask(task.Name());
  EXPECT_EQ(f.application, L"C:\\Other.exe");
  EXPECT_EQ(f.triggers, 1);
  EXPECT_EQ(f.trigger.MinutesInterval, 30u);

  for (int32_t bad : {1440, -5}) {
    EXPECT_EQ(ScheduleTask(task.u16(), kApp, u"/c", bad, kTaskCreate, u""), CX_HR_E_INVALIDARG);
    f = ReadTask(task.Name());
    ASSERT_TRUE(f.found) << bad;
    EXPECT_EQ(f.trigger.MinutesInterval, 30u) << bad;
    EXPECT_EQ(f.parameters, L"/b") << bad;
  }
  // Interval 0 or no program: nothing done, and no failure.
  EXPECT_EQ(ScheduleTask(task.u16(), kApp, u"", 0, kTaskCreate, u""), CX_OK);
  EXPECT_EQ(ScheduleTask(task.u16(), u"", u"", 5, kTaskCreate, u""), CX_OK);
  EXPECT_EQ(ReadTask(task.Name()).trigger.MinutesInterval, 30u);
}

TEST(ScheduleTask, DeleteAndEndOfTasksThatAreMissingOrIdle) {
  TestTask task(L"delete");
  EXPECT_EQ(ScheduleTask(task.u16(), nullptr, nullptr, 0, kTaskDelete, nullptr), CX_OK);  // none
  ASSERT_EQ(ScheduleTask(task.u16(), kApp, u"", 5, kTaskCreate, u""), CX_OK);
  EXPECT_EQ(ScheduleTask(task.u16(), nullptr, nullptr, 0, kTaskEnd, nullptr),
            CX_OK);  // not running
  EXPECT_TRUE(ReadTask(task.Name()).found);
  EXPECT_EQ(ScheduleTask(task.u16(), nullptr, nullptr, 0, kTaskDelete, nullptr), CX_OK);
  EXPECT_FALSE(ReadTask(task.Name()).found);
  // Ending or running a task that does not exist is the scheduler's failure.
  EXPECT_NE(ScheduleTask(task.u16(), nullptr, nullptr, 0, kTaskEnd, nullptr), CX_OK);
  EXPECT_NE(ScheduleTask(task.u16(), nullptr, nullptr, 0, kTaskRun, nullptr), CX_OK);
}

TEST(SetAppTaskSchedulerAction, TextIntervalParsesAndDoesNothing) {
  TestTask task(L"action");
  EXPECT_EQ(RunAction(TestElement(L"<SetAppTaskScheduler Name='" + task.Name() +
                                  L"' Type='Create' AppPath='C:\\a.exe' Interval='ten'/>")),
            CX_OK);
  EXPECT_FALSE(ReadTask(task.Name()).found);
  EXPECT_EQ(RunAction(TestElement(L"<SetAppTaskScheduler Name='" + task.Name() +
                                  L"' Type='Create' AppPath='C:\\a.exe' Param='/x' Interval='7'/>")),
            CX_OK);
  EXPECT_EQ(ReadTask(task.Name()).trigger.MinutesInterval, 7u);
}
}  // namespace
