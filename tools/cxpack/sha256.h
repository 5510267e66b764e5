// SHA-256 (FIPS 180-4), for what `cxpack msi` derives from its inputs: the
// checksum the MSI's runner checks the carried setup against, and the
// name-based GUIDs. Portable; the runner checks with the system's own
// implementation.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
 public:
  using Digest = std::array<uint8_t, 32>;

  Sha256();
  void Update(const void* data, size_t size);
  void Update(const std::string& bytes) { Update(bytes.data(), bytes.size()); }
  // Ends the computation; the object is spent afterwards.
  Digest Finish();

  // Lower-case hex of a digest.
  static std::string Hex(const Digest& digest);

 private:
  void Block(const uint8_t* block);

  uint32_t state_[8];
  uint8_t pending_[64];
  size_t pendingSize_ = 0;
  uint64_t totalBytes_ = 0;
};
