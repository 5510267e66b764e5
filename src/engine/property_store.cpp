// PropertyStore records: header and bytes copied in host byte order, since
// the store never leaves the process.
#include "engine/property_store.h"

#include <cstring>

CxResult PropertyStore::Add(uint16_t tag, const void* data, uint32_t length) {
  if (!data && length != 0) return CX_E_INVALID_ARG;
  size_t room = kCapacity - used_;
  if (room < kHeaderSize || room - kHeaderSize < length) return CX_E_OUT_OF_MEMORY;
  uint8_t* p = bytes_ + used_;
  std::memcpy(p, &tag, sizeof tag);
  std::memcpy(p + sizeof tag, &length, sizeof length);
  if (length) std::memcpy(p + kHeaderSize, data, length);
  used_ += kHeaderSize + length;
  return CX_OK;
}

CxResult PropertyStore::Find(uint16_t tag, const uint8_t** data, uint32_t* length) const {
  if (!data || !length) return CX_E_INVALID_ARG;
  size_t at = 0;
  while (used_ - at >= kHeaderSize) {
    uint16_t t;
    uint32_t n;
    std::memcpy(&t, bytes_ + at, sizeof t);
    std::memcpy(&n, bytes_ + at + sizeof t, sizeof n);
    if (used_ - at - kHeaderSize < n) break;  // cannot happen through Add
    if (t == tag) {
      *data = bytes_ + at + kHeaderSize;
      *length = n;
      return CX_OK;
    }
    at += kHeaderSize + n;
  }
  return CX_E_MISSING;
}

CxResult PropertyStore::AddPointer(uint16_t tag, void* pointer) {
  return Add(tag, &pointer, sizeof pointer);
}

CxResult PropertyStore::GetPointer(uint16_t tag, void** pointer) const {
  if (!pointer) return CX_E_INVALID_ARG;
  const uint8_t* data;
  uint32_t length;
  CxResult r = Find(tag, &data, &length);
  if (r != CX_OK) return r;
  if (length != sizeof(void*)) return CX_E_BAD_DATA;
  std::memcpy(pointer, data, sizeof(void*));
  return CX_OK;
}
