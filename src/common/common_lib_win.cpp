// Library start-up and shut-down under a spin lock.
#include <windows.h>

#include <atomic>

#include "common/common_lib.h"
#include "common/shared_block.h"

namespace {

// Coordinate sizes of the curves the certificate reader knows.
constexpr CurveParameterSet kCurveSets[kCurveParameterSetCount] = {
    {"SM2", 32},       {"P-192", 24},     {"P-224", 28},
    {"P-256", 32},     {"P-384", 48},     {"P-521", 66},
    {"secp192k1", 24}, {"secp224k1", 28}, {"secp256k1", 32},
};

using GetTickCount64Fn = ULONGLONG(WINAPI*)();

std::atomic<uint32_t> g_lock{0};
uint32_t g_initCount = 0;  // guarded by g_lock
uint32_t g_buildCount = 0;
std::atomic<const CurveParameterSet*> g_curveSets{nullptr};
std::atomic<GetTickCount64Fn> g_getTickCount64{nullptr};

class SpinLock {
 public:
  SpinLock() {
    uint32_t expected = 0;
    while (!g_lock.compare_exchange_strong(expected, 1, std::memory_order_acquire)) {
      expected = 0;
      ::Sleep(10);
    }
  }
  ~SpinLock() { g_lock.store(0, std::memory_order_release); }
  SpinLock(const SpinLock&) = delete;
  SpinLock& operator=(const SpinLock&) = delete;
};

}  // namespace

CxResult CommonLibInit() {
  SpinLock lock;
  if (g_initCount == 0) {
    // The sets are constant here, so building them cannot fail.
    g_curveSets = kCurveSets;
    HMODULE kernel32 = ::GetModuleHandleW(L"Kernel32.dll");
    g_getTickCount64 = kernel32 ? reinterpret_cast<GetTickCount64Fn>(reinterpret_cast<void*>(
                                      ::GetProcAddress(kernel32, "GetTickCount64")))
                                : nullptr;
    AttachSharedBlock(nullptr);  // a missing namespace only changes object names
    ++g_buildCount;
  }
  ++g_initCount;
  return CX_OK;
}

int32_t CommonLibUninit() {
  SpinLock lock;
  if (g_initCount == 0) return -1;
  if (--g_initCount == 0) {
    DetachSharedBlock();
    g_getTickCount64 = nullptr;
    g_curveSets = nullptr;
  }
  return 0;
}

uint32_t CommonLibInitCount() {
  SpinLock lock;
  return g_initCount;
}

const CurveParameterSet* CommonLibCurveSets() { return g_curveSets.load(); }

uint32_t CommonLibBuildCount() {
  SpinLock lock;
  return g_buildCount;
}

uint64_t CommonLibTickCount() {
  const GetTickCount64Fn tick = g_getTickCount64.load();
  return tick ? tick() : ::GetTickCount();
}
