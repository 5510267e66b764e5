// XXH32 as its authors specify it: four lanes over 16-byte stripes, then the
// tail in words and bytes, then the avalanche.
#include "common/xxh32.h"


namespace {

constexpr uint32_t kPrime1 = 0x9E3779B1u;
constexpr uint32_t kPrime2 = 0x85EBCA77u;
constexpr uint32_t kPrime3 = 0xC2B2AE3Du;
constexpr uint32_t kPrime4 = 0x27D4EB2Fu;
constexpr uint32_t kPrime5 = 0x165667B1u;

inline uint32_t Rotl(uint32_t v, int bits) { return (v << bits) | (v >> (32 - bits)); }

// Little-endian on every platform the package is read on.
inline uint32_t Load(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint32_t Round(uint32_t lane, uint32_t input) {
  return Rotl(lane + input * kPrime2, 13) * kPrime1;
}

}  // namespace

uint32_t Xxh32(const void* data, size_t size, uint32_t seed) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  const uint8_t* const end = p + size;
  uint32_t h;
  if (size >= 16) {
    uint32_t v1 = seed + kPrime1 + kPrime2, v2 = seed + kPrime2, v3 = seed, v4 = seed - kPrime1;
    for (const uint8_t* limit = end - 16; p <= limit; p += 16) {
      v1 = Round(v1, Load(p));
      v2 = Round(v2, Load(p + 4));
      v3 = Round(v3, Load(p + 8));
      v4 = Round(v4, Load(p + 12));
    }
    h = Rotl(v1, 1) + Rotl(v2, 7) + Rotl(v3, 12) + Rotl(v4, 18);
  } else {
    h = seed + kPrime5;
  }
  h += uint32_t(size);
  for (; end - p >= 4; p += 4) h = Rotl(h + Load(p) * kPrime3, 17) * kPrime4;
  for (; p < end; ++p) h = Rotl(h + *p * kPrime5, 11) * kPrime1;
  h ^= h >> 15;
  h *= kPrime2;
  h ^= h >> 13;
  h *= kPrime3;
  h ^= h >> 16;
  return h;
}
