// Library start-up, the shared block and named mutexes, across processes.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>

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

// Runs cx_unelevated (a process of this user without the elevation) with
// `args`; its exit code, or -1.
int RunUnelevated(const std::wstring& args) {
  const std::wstring program = TestHelperPath(L"cx_unelevated.exe");
  std::wstring line = L"\"" + program + L"\" " + args;
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi))
    return -1;
  ScopedHandle process(pi.hProcess), thread(pi.hThread);
  DWORD code = 0;
  if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.Get(), &code))
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
  FormatSharedBlockName(GetCurrentProcessId(), mappingName);
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

// Elevated (as every test process under Wine), the library's mutex belongs
// to Administrators and admits Administrators and SYSTEM alone, without the
// low label: a process of the same user without the elevation can neither
// open it nor hold it to keep later setups out.
TEST(NamedObjects, AnElevatedMutexAdmitsOnlyAdministratorsAndSystem) {
  LibStarted lib;
  const std::string name = UniqueName("Guarded");
  CxObjectHandle mutex = nullptr;
  ASSERT_EQ(CreateNamedMutex(0, name.c_str(), nullptr, &mutex), CX_OK);
  ScopedHandle held(static_cast<HANDLE>(mutex));

  PSID owner = nullptr;
  PACL dacl = nullptr, sacl = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  ASSERT_EQ(GetSecurityInfo(held.Get(), SE_KERNEL_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                LABEL_SECURITY_INFORMATION,
                            &owner, nullptr, &dacl, &sacl, &raw),
            static_cast<DWORD>(ERROR_SUCCESS));
  ScopedLocalMem descriptor(raw);
  ASSERT_TRUE(owner && dacl);
  EXPECT_TRUE(IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
  ASSERT_EQ(dacl->AceCount, 2);
  for (WORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
    const PSID sid = &ace->SidStart;
    EXPECT_TRUE(IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
                IsWellKnownSid(sid, WinLocalSystemSid))
        << "entry " << i << " admits someone else";
  }
  for (WORD i = 0; sacl && i < sacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    ASSERT_TRUE(GetAce(sacl, i, reinterpret_cast<void**>(&ace)));
    EXPECT_NE(ace->AceType, SYSTEM_MANDATORY_LABEL_ACE_TYPE) << "an integrity label";
  }
  char objectName[kObjectNameSize];
  ASSERT_EQ(BuildObjectName(0, kMutexTypeSuffix, name.c_str(), objectName, sizeof objectName),
            CX_OK);
  const std::string object(objectName);
  EXPECT_EQ(RunUnelevated(L"open " + std::wstring(object.begin(), object.end())), 5)
      << "opened without the elevation";
}

// A block made under this process's name before the library starts, with
// made-up handles, a module and a namespace name of someone else's: the
// library neither reads nor writes it, and names objects as if it were not
// there.
TEST(SharedBlock, ABlockMadeBeforeTheLibraryStartsIsNeitherBelievedNorWritten) {
  ASSERT_EQ(CommonLibInitCount(), 0u);
  char mappingName[kSharedBlockNameSize];
  FormatSharedBlockName(GetCurrentProcessId(), mappingName);
  ScopedHandle planted(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          kSharedBlockMappingSize, mappingName));
  ASSERT_TRUE(planted.IsValid());
  ScopedMappedView view(MapViewOfFile(planted.Get(), FILE_MAP_WRITE, 0, 0, kSharedBlockMappingSize));
  ASSERT_TRUE(view.IsValid());
  SharedBlockData forged = {};
  forged.kernel32Module = 0x41414140;
  forged.boundaryDescriptor = 0x1234;
  forged.privateNamespace = 0x5678;
  std::strcpy(forged.boundaryName, "BOUNDARY_forged");
  std::strcpy(forged.namespaceName, "Local\\CxForged");
  forged.attachCount = 1;
  std::memcpy(view.Get(), &forged, sizeof forged);

  {
    LibStarted lib;
    char objectName[kObjectNameSize];
    ASSERT_EQ(BuildObjectName(0, kMutexTypeSuffix, "Product", objectName, sizeof objectName),
              CX_OK);
    EXPECT_EQ(std::string(objectName).find("CxForged"), std::string::npos) << objectName;
    if (!SystemHasPrivateNamespaces()) {
      EXPECT_STREQ(objectName, "Global\\MutexProduct");
    }
  }
  EXPECT_EQ(std::memcmp(view.Get(), &forged, sizeof forged), 0) << "the block was written";
}
