// XXH32, the 32-bit xxHash: a fast, non-cryptographic checksum of bytes.
// The compressed package keeps one per frame over the frame's stored bytes,
// so damage is found by hashing, without decoding.
#pragma once
#include <cstddef>
#include <cstdint>

uint32_t Xxh32(const void* data, size_t size, uint32_t seed = 0);
