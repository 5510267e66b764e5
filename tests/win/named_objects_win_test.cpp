// Library start-up, the shared block and named mutexes, across processes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "common/common_lib.h"
#include "common/named_objects.h"
#include "common/shared_block.h"
#include "platform/win_handles.h"
#include "win_test_support.h"

namespace {

bool SystemHasPrivateNamespaces() {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  return GetProcAddress(kernel32, "CreatePrivateNamespaceA") &&
         GetProcAddress(kernel32, "OpenPrivateNamespaceA") &&
         GetProcAddress(kernel32, "ClosePrivateNamespace");
}

std::string UniqueName(const char* what) {
  return std::string("CxBaseTest_") + what + "_" + std::to_string(GetCurrentProcessId());
}

// Runs the probe against `name`; returns its exit code (or -1).
int RunProbe(const std::string& name) {
  HelperProcess probe(std::wstring(name.begin(), name.end()),
                      TestHelperPath(L"cx_mutex_probe.exe"));
  if (!probe.Started() || !probe.WaitEnded(60000)) return -1;
  DWORD code = 0;
  if (!GetExitCodeProcess(probe.Handle(), &code)) return -1;
  return static_cast<int>(code);
}

class LibStarted {
 public:
  LibStarted() { CommonLibInit(); }
  ~LibStarted() { CommonLibUninit(); }
};

}  // namespace

TEST(CommonLib, StartsCountAndTheLastStopFrees) {
  ASSERT_EQ(CommonLibInitCount(), 0u);
  EXPECT_EQ(CommonLibCurveSets(), nullptr);
  const uint32_t builds = CommonLibBuildCount();
  EXPECT_EQ(CommonLibInit(), CX_OK);
  EXPECT_EQ(CommonLibBuildCount(), builds + 1);
  ASSERT_NE(CommonLibCurveSets(), nullptr);
  EXPECT_STREQ(CommonLibCurveSets()[0].name, "SM2");
  EXPECT_EQ(CommonLibCurveSets()[5].coordinateBytes, 66u);  // P-521
  EXPECT_EQ(CommonLibInit(), CX_OK);                        // only counts
  EXPECT_EQ(CommonLibBuildCount(), builds + 1);
  EXPECT_EQ(CommonLibInitCount(), 2u);
  EXPECT_EQ(CommonLibUninit(), 0);
  EXPECT_NE(CommonLibCurveSets(), nullptr);  // the first stop frees nothing
  EXPECT_EQ(CommonLibUninit(), 0);
  EXPECT_EQ(CommonLibCurveSets(), nullptr);
  EXPECT_EQ(CommonLibUninit(), -1);
  EXPECT_EQ(CommonLibInitCount(), 0u);
  EXPECT_GT(CommonLibTickCount(), 0u);
}

// Where the system lacks private namespaces (Wine) the attach fails cleanly
// instead of calling a stub, and the block still records the names.
TEST(SharedBlock, AttachRecordsTheNamesInThePerProcessBlock) {
  SharedBlockData copy;
  std::memset(&copy, 0x5A, sizeof copy);
  const CxResult result = AttachSharedBlock(&copy);
  if (SystemHasPrivateNamespaces()) {
    ASSERT_EQ(result, CX_OK);
    EXPECT_STREQ(copy.namespaceName, kNamespaceName);
    EXPECT_GE(copy.attachCount, 1);
    EXPECT_EQ(DetachSharedBlock(), CX_OK);
  } else {
    EXPECT_NE(result, CX_OK);
    EXPECT_EQ(static_cast<unsigned char>(copy.boundaryName[0]), 0x5A);  // copy untouched
  }
  char mappingName[kSharedBlockNameSize];
  FormatSharedBlockNames(GetCurrentProcessId(), mappingName, nullptr);
  EXPECT_EQ(std::string(mappingName), "Local\\ZizorarA2_MapFile_" + std::string(kSharedBlockGuid) +
                                          "_" + std::to_string(GetCurrentProcessId()));
  ScopedHandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, mappingName));
  ASSERT_TRUE(mapping.IsValid()) << GetLastError();
  ScopedMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(SharedBlockData)));
  ASSERT_TRUE(view.IsValid());
  const auto* block = static_cast<const SharedBlockData*>(view.Get());
  EXPECT_STREQ(block->boundaryName, kBoundaryName);
  EXPECT_STREQ(block->namespaceName, kNamespaceName);
}

TEST(NamedObjects, ObjectNameFallsBackToGlobalWithoutNamespace) {
  LibStarted lib;
  char name[kObjectNameSize];
  ASSERT_EQ(BuildObjectName(0, kMutexTypeSuffix, "Product", name, sizeof name), CX_OK);
  if (SystemHasPrivateNamespaces())
    EXPECT_EQ(std::string(name), std::string(kNamespaceName) + "\\MutexProduct");
  else
    EXPECT_STREQ(name, "Global\\MutexProduct");  // never empty
  ASSERT_EQ(BuildObjectName(1, kMutexTypeSuffix, "Product", name, sizeof name), CX_OK);
  EXPECT_STREQ(name, "Global\\MutexProduct");
  char small[10];
  BuildObjectName(1, kMutexTypeSuffix, "Product", small, sizeof small);
  EXPECT_STREQ(small, "Global\\Mu");  // cut to the buffer, terminated
  EXPECT_EQ(BuildObjectName(1, kMutexTypeSuffix, "P", nullptr, 10), CX_E_INVALID_ARG);
}

TEST(NamedObjects, SecondProcessFindsTheSingleInstanceMutex) {
  LibStarted lib;
  const std::string name = UniqueName("Single");
  int createdNew = 0;
  CxObjectHandle mutex = nullptr;
  ASSERT_EQ(CreateNamedMutex(0, name.c_str(), &createdNew, &mutex), CX_OK);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(createdNew, 1);
  EXPECT_EQ(RunProbe(name), 1 | 2 | 4);  // created, already existed, opened
  EXPECT_EQ(CloseObjectHandle(mutex), CX_OK);

  // Once the last handle is gone, the name is free again.
  CxObjectHandle opened = reinterpret_cast<CxObjectHandle>(0x1);
  EXPECT_EQ(OpenNamedMutex(name.c_str(), &opened), CX_E_OPEN_FAILED);
  EXPECT_EQ(opened, reinterpret_cast<CxObjectHandle>(0x1));
  EXPECT_EQ(RunProbe(name), 1 | 4);  // a lone probe creates it new
}

TEST(NamedObjects, ArgumentsAndUnnamedMutex) {
  LibStarted lib;
  CxObjectHandle handle = reinterpret_cast<CxObjectHandle>(0x1);
  EXPECT_EQ(OpenNamedMutex("", &handle), CX_E_INVALID_ARG);
  EXPECT_EQ(OpenNamedMutex(nullptr, &handle), CX_E_INVALID_ARG);
  EXPECT_EQ(handle, reinterpret_cast<CxObjectHandle>(0x1));
  EXPECT_EQ(OpenNamedMutex("x", nullptr), CX_E_INVALID_ARG);
  EXPECT_EQ(CreateNamedMutex("x", nullptr), CX_E_INVALID_ARG);
  EXPECT_EQ(ReleaseNamedMutex(nullptr), CX_E_INVALID_ARG);
  EXPECT_EQ(CloseObjectHandle(nullptr), CX_E_INVALID_ARG);

  int createdNew = 0;
  CxObjectHandle unnamed = nullptr;
  ASSERT_EQ(CreateNamedMutex(0, nullptr, &createdNew, &unnamed), CX_OK);
  EXPECT_EQ(createdNew, 1);
  EXPECT_EQ(ReleaseNamedMutex(unnamed), static_cast<CxResult>(ERROR_NOT_OWNER));
  ASSERT_EQ(WaitForSingleObject(unnamed, 0), WAIT_OBJECT_0);
  EXPECT_EQ(ReleaseNamedMutex(unnamed), CX_OK);
  EXPECT_EQ(CloseObjectHandle(unnamed), CX_OK);
}

// Names too long for the 260-byte object name are cut, so two that differ
// only beyond that point meet in one mutex.
TEST(NamedObjects, OverlongNamesAreCutToOneObject) {
  LibStarted lib;
  const std::string stem = UniqueName("Long") + std::string(300, 'n');
  CxObjectHandle first = nullptr, second = nullptr;
  int createdNew = 0;
  ASSERT_EQ(CreateNamedMutex(0, (stem + "A").c_str(), &createdNew, &first), CX_OK);
  EXPECT_EQ(createdNew, 1);
  ASSERT_EQ(CreateNamedMutex(0, (stem + "B").c_str(), &createdNew, &second), CX_OK);
  EXPECT_EQ(createdNew, 0);
  CloseObjectHandle(second);
  CloseObjectHandle(first);
}
