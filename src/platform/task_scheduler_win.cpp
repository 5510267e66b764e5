// Scheduled tasks through ITaskScheduler, ITask and ITaskTrigger.
#include <windows.h>
#include <mstask.h>

#include "common/win_handles.h"
#include "platform/task_scheduler.h"

namespace {
bool IsEmpty(const char16_t* s) { return !s || !*s; }

HRESULT DeleteTask(ITaskScheduler* scheduler, const char16_t* name) {
  HRESULT hr = scheduler->Delete(AsWide(name));
  return hr == static_cast<HRESULT>(CX_HR_FILE_NOT_FOUND) ? S_OK : hr;
}

HRESULT ActivateTask(ITaskScheduler* scheduler, const char16_t* name, ScopedComPtr<ITask>* task) {
  return scheduler->Activate(AsWide(name), IID_ITask,
                             reinterpret_cast<IUnknown**>(task->Receive()));
}

HRESULT EndTask(ITaskScheduler* scheduler, const char16_t* name) {
  ScopedComPtr<ITask> task;
  HRESULT hr = ActivateTask(scheduler, name, &task);
  if (FAILED(hr)) return hr;
  HRESULT status = S_OK;
  hr = task.Get()->GetStatus(&status);
  if (FAILED(hr)) return hr;
  return status == SCHED_S_TASK_RUNNING ? task.Get()->Terminate() : S_OK;
}

HRESULT CreateTask(ITaskScheduler* scheduler, const char16_t* name, const char16_t* appPath,
                   const char16_t* parameters, int32_t interval, const char16_t* comment) {
  HRESULT hr = DeleteTask(scheduler, name);
  if (FAILED(hr)) return hr;
  ScopedComPtr<ITask> task;
  hr = scheduler->NewWorkItem(AsWide(name), CLSID_CTask, IID_ITask,
                              reinterpret_cast<IUnknown**>(task.Receive()));
  if (FAILED(hr)) return hr;

  // A task without a stored password can only run while its user is logged
  // on. ITask is an IScheduledWorkItem (Wine does not answer a query for it).
  DWORD flags = 0;
  task.Get()->GetFlags(&flags);
  task.Get()->SetFlags(flags | TASK_FLAG_RUN_ONLY_IF_LOGGED_ON);
  wchar_t user[260] = {};
  DWORD userChars = 260;
  if (!::GetUserNameW(user, &userChars)) user[0] = L'\0';
  task.Get()->SetApplicationName(AsWide(appPath));
  task.Get()->SetParameters(AsWide(parameters ? parameters : u""));
  task.Get()->SetAccountInformation(user, nullptr);
  task.Get()->SetComment(AsWide(comment ? comment : u""));

  ScopedComPtr<ITaskTrigger> trigger;
  WORD triggerIndex = 0;
  hr = task.Get()->CreateTrigger(&triggerIndex, trigger.Receive());
  if (FAILED(hr)) return hr;
  // "Today" is the user's day: an evening west of UTC is still today here.
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  const DailyTaskTrigger daily =
      MakeDailyTaskTrigger(now.wYear, now.wMonth, now.wDay, static_cast<uint32_t>(interval));
  TASK_TRIGGER t = {};
  t.cbTriggerSize = sizeof(TASK_TRIGGER);
  t.wBeginYear = daily.beginYear;
  t.wBeginMonth = daily.beginMonth;
  t.wBeginDay = daily.beginDay;
  t.wStartHour = daily.startHour;
  t.wStartMinute = daily.startMinute;
  t.MinutesDuration = daily.durationMinutes;
  t.MinutesInterval = daily.intervalMinutes;
  t.TriggerType = TASK_TIME_TRIGGER_DAILY;
  t.Type.Daily.DaysInterval = daily.daysInterval;
  hr = trigger.Get()->SetTrigger(&t);
  if (FAILED(hr)) return hr;

  ScopedComPtr<IPersistFile> file;
  hr = task.Get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()));
  if (FAILED(hr)) return hr;
  // Save is what writes the task; SaveCompleted only ends the save protocol.
  hr = file.Get()->Save(nullptr, TRUE);
  file.Get()->SaveCompleted(nullptr);
  return hr;
}
}  // namespace

CxResult ScheduleTask(const char16_t* name, const char16_t* appPath, const char16_t* parameters,
                      int32_t interval, uint32_t operation, const char16_t* comment) {
  if (IsEmpty(name)) return CX_OK;
  if (operation == kTaskCreate) {
    if (IsEmpty(appPath) || interval == 0) return CX_OK;
    if (!IsValidTaskInterval(interval)) return CX_HR_E_INVALIDARG;
  }
  ScopedComInit com;
  ScopedComPtr<ITaskScheduler> scheduler;
  HRESULT hr = ::CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITaskScheduler,
                                  reinterpret_cast<void**>(scheduler.Receive()));
  if (FAILED(hr)) return static_cast<CxResult>(hr);
  switch (operation) {
    case kTaskCreate:
      hr = CreateTask(scheduler.Get(), name, appPath, parameters, interval, comment);
      break;
    case kTaskDelete:
      hr = DeleteTask(scheduler.Get(), name);
      break;
    case kTaskRun: {
      ScopedComPtr<ITask> task;
      hr = ActivateTask(scheduler.Get(), name, &task);
      if (SUCCEEDED(hr)) hr = task.Get()->Run();
      break;
    }
    case kTaskEnd:
      hr = EndTask(scheduler.Get(), name);
      break;
    default:
      hr = S_OK;
      break;
  }
  return SUCCEEDED(hr) ? CX_OK : static_cast<CxResult>(hr);
}
