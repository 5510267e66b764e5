// Where a producer of bytes (a package file being decoded, say) hands them,
// piece by piece and in order; the receiver answers false to stop it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

using ByteSink = std::function<bool(const uint8_t* data, size_t size)>;
