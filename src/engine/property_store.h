// PropertyStore: a small fixed-capacity store of tagged byte records, used
// to hand the dialog's pointer through the runner to its progress callback.
// Records lie end to end: a u16 tag, a u32 length, then that many bytes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/ref_counted.h"
#include "common/result_codes.h"

// Tag under which the dialog stores its own pointer.
constexpr uint16_t kPropertyTagDialog = 20;

class PropertyStore : public RefCounted {
 public:
  static constexpr size_t kCapacity = 2048;
  static constexpr size_t kHeaderSize = sizeof(uint16_t) + sizeof(uint32_t);

  // Appends a record. CX_E_OUT_OF_MEMORY when it does not fit (nothing is
  // stored), CX_E_INVALID_ARG for null data with a nonzero length.
  CxResult Add(uint16_t tag, const void* data, uint32_t length);
  // The first record with `tag`: a view of its bytes (valid while the store
  // lives and is not cleared) and their length. CX_E_MISSING when there is
  // none; the out-parameters are then untouched.
  CxResult Find(uint16_t tag, const uint8_t** data, uint32_t* length) const;

  // A pointer stored as its own bytes; Get fails with CX_E_BAD_DATA when
  // the record's length is not a pointer's. Out untouched on failure.
  CxResult AddPointer(uint16_t tag, void* pointer);
  CxResult GetPointer(uint16_t tag, void** pointer) const;

  size_t Used() const { return used_; }
  void Clear() { used_ = 0; }

 private:
  uint8_t bytes_[kCapacity] = {};
  size_t used_ = 0;
};
