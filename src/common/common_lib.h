// Start-up and shut-down of the common base library. The application calls
// CommonLibInit first thing and CommonLibUninit just before it returns;
// repeated starts only count, and the last stop frees what the first built.
// Windows only (common_lib_win.cpp).
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result_codes.h"

constexpr const char kCommonLibBanner[] = "CxCommon lib version 6.4.0.11";
constexpr const char kCommonLibVersion[] = "6.4.0.11";

// One elliptic-curve parameter set, as far as this program needs it: the
// byte size of a coordinate.
struct CurveParameterSet {
  const char* name;
  uint32_t coordinateBytes;
};
constexpr size_t kCurveParameterSetCount = 9;

// 0, or CX_E_OUT_OF_MEMORY when the curve parameter sets cannot be built
// (nothing is counted then).
CxResult CommonLibInit();
// 0, or -1 when the library was not started.
int32_t CommonLibUninit();

// How often the library has been started and not yet stopped.
uint32_t CommonLibInitCount();
// The nine curve sets (SM2, P-192, P-224, P-256, P-384, P-521, secp192k1,
// secp224k1, secp256k1), or null while the library is not started.
const CurveParameterSet* CommonLibCurveSets();
// How many times the process-wide state has been built since the process
// started: tells a counted start from one that built.
uint32_t CommonLibBuildCount();
// Milliseconds since system start, through GetTickCount64 where it exists.
uint64_t CommonLibTickCount();
