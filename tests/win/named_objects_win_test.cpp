// Library start-up, the shared block and named mutexes, across processes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "common/common_lib.h"
#include "common/named_objects.h"
#include "common/shared_block.h"
#include "common/win_handles.h"
#include "win_test_support.h"

namespace {
bool SystemHasPrivateNamespaces() {
  return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreatePrivateNamespaceA") != nullptr;
}

std::string UniqueName(const char* what) {
  return std::string("CxBaseTest_") + what + "_" + std::to_string(GetCurrentProcessId());
}

// Runs cx_mutex_probe against `name`; returns its exit code (or -1).
int RunProbe(const std::string& name) {
  HelperProcess probe(std::wstring(name.begin(), name.end()),
                      TestHelperPath(L"cx_mutex_probe.exe"));
  DWORD code = 0;
  if (!probe.Started() || !probe.WaitEnded(60000) || !GetExitCodeProcess(probe.Handle(), &code))
    return -1;
  return static_cast<int>(code);
}

struct LibStarted {
  LibStarted() { CommonLibInit(); }
  ~LibStarted() { CommonLibUninit(); }
};
}  // namespace

TEST(CommonLib, StartsCountAndTheLastStopFrees) {
  ASSERT_EQ(CommonLibInitCount(), 0u);
  const uint32_t builds = CommonLibBuildCount();
  EXPECT_EQ(CommonLibInit(), CX_OK);
  EXPECT_EQ(CommonLibInit(), CX_OK);  // only counts
  EXPECT_EQ(CommonLibBuildCount(), builds + 1);
  EXPECT_EQ(CommonLibUninit(), 0);
  EXPECT_NE(CommonLibCurveSets(), nullptr);  // the first stop frees nothing
  EXPECT_EQ(CommonLibUninit(), 0);
  EXPECT_EQ(CommonLibCurveSets(), nullptr);
  EXPECT_EQ(CommonLibUninit(), -1);  // one stop too many
  EXPECT_EQ(CommonLibInitCount(), 0u);
}

// Without private namespaces (Wine) the attach fails cleanly instead of
// calling a stub, and the per-process block still records the names.
TEST(SharedBlock, AttachRecordsTheNamesInThePerProcessBlock) {
  SharedBlockData copy;
  std::memset(&copy, 0x5A, sizeof copy);
  const CxResult result = AttachSharedBlock(&copy);
  if (SystemHasPrivateNamespaces()) {
    EXPECT_EQ(result, CX_OK);
    DetachSharedBlock();
  } else {
    EXPECT_NE(result, CX_OK);
    EXPECT_EQ(static_cast<unsigned char>(copy.boundaryName[0]), 0x5A);  // copy untouched
  }
  char mappingName[kSharedBlockNameSize];
  FormatSharedBlockNames(GetCurrentProcessId(), mappingName, nullptr);
  ScopedHandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, mappingName));
  ASSERT_TRUE(mapping.IsValid()) << GetLastError();
  ScopedMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(SharedBlockData)));
  ASSERT_TRUE(view.IsValid());
  EXPECT_STREQ(static_cast<const SharedBlockData*>(view.Get())->boundaryName, kBoundaryName);
}

// Under Wine the name is the Global fallback, never empty.
TEST(NamedObjects, SecondProcessFindsTheSingleInstanceMutex) {
  LibStarted lib;
  char objectName[kObjectNameSize];
  ASSERT_EQ(BuildObjectName(0, kMutexTypeSuffix, "Product", objectName, sizeof objectName), CX_OK);
  if (!SystemHasPrivateNamespaces()) EXPECT_STREQ(objectName, "Global\\MutexProduct");
  const std::string name = UniqueName("Single");
  int createdNew = 0;
  CxObjectHandle mutex = nullptr;
  ASSERT_EQ(CreateNamedMutex(0, name.c_str(), &createdNew, &mutex), CX_OK);
  EXPECT_EQ(createdNew, 1);
  EXPECT_EQ(RunProbe(name), 1 | 2 | 4);  // created, already existed, opened
  EXPECT_EQ(CloseObjectHandle(mutex), CX_OK);
  EXPECT_EQ(RunProbe(name), 1 | 4);  // the last handle gone, a lone probe creates it new
  EXPECT_EQ(OpenNamedMutex("", &mutex), CX_E_INVALID_ARG);
}

// Names too long for the 260-byte object name are cut (terminated), so two
// that differ only beyond that point meet in one mutex.
TEST(NamedObjects, OverlongNamesAreCutToOneObject) {
  LibStarted lib;
  char small[10];
  BuildObjectName(1, kMutexTypeSuffix, "Product", small, sizeof small);
  EXPECT_STREQ(small, "Global\\Mu");
  const std::string stem = UniqueName("Long") + std::string(300, 'n');
  ScopedObjectHandle first, second;
  int createdNew = 0;
  ASSERT_EQ(CreateNamedMutex(0, (stem + "A").c_str(), &createdNew, first.Receive()), CX_OK);
  ASSERT_EQ(CreateNamedMutex(0, (stem + "B").c_str(), &createdNew, second.Receive()), CX_OK);
  EXPECT_EQ(createdNew, 0);
}
