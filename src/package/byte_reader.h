// Little-endian reading from a byte span the reader does not own: the PE
// image and resource readers use it on untrusted program files. Every read
// is bounds-checked; a read that does not fit fails and leaves the position
// where it was.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// A view of bytes owned elsewhere; they must outlive every use of the view.
struct ByteSpan {
  const uint8_t* data = nullptr;
  size_t size = 0;

  ByteSpan() = default;
  ByteSpan(const uint8_t* d, size_t n) : data(d), size(n) {}
  explicit ByteSpan(const std::string& s)
      : data(reinterpret_cast<const uint8_t*>(s.data())), size(s.size()) {}
  // The bytes [offset, offset+count), or an empty span when they don't fit.
  ByteSpan Sub(size_t offset, size_t count) const {
    if (offset > size || count > size - offset) return {};
    return {data + offset, count};
  }
  bool Contains(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
};

class ByteReader {
 public:
  explicit ByteReader(ByteSpan bytes, size_t position = 0) : bytes_(bytes), pos_(position) {}
  size_t Position() const { return pos_; }
  // Fails (position unchanged) when `position` lies beyond the end.
  bool Seek(size_t position) {
    if (position > bytes_.size) return false;
    pos_ = position;
    return true;
  }
  bool ReadU8(uint8_t* v) { return Read(1, v); }
  bool ReadU16(uint16_t* v) { return Read(2, v); }
  bool ReadU32(uint32_t* v) { return Read(4, v); }
  bool Skip(size_t count) {
    if (!bytes_.Contains(pos_, count)) return false;
    pos_ += count;
    return true;
  }
  // A view of the next `count` bytes.
  bool ReadSpan(size_t count, ByteSpan* out) {
    if (!bytes_.Contains(pos_, count)) return false;
    *out = {bytes_.data + pos_, count};
    pos_ += count;
    return true;
  }

 private:
  template <typename T>
  bool Read(size_t width, T* v) {
    if (!bytes_.Contains(pos_, width)) return false;
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= uint32_t(bytes_.data[pos_ + i]) << (8 * i);
    *v = T(value);
    pos_ += width;
    return true;
  }

  ByteSpan bytes_;
  size_t pos_;
};

// Little-endian writing into a growing byte string.
inline void PutU16(std::string* out, uint16_t v) {
  out->push_back(char(v & 0xFF));
  out->push_back(char(v >> 8));
}
inline void PutU32(std::string* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(char((v >> (8 * i)) & 0xFF));
}
inline void SetU16At(std::string* out, size_t at, uint16_t v) {
  (*out)[at] = char(v & 0xFF);
  (*out)[at + 1] = char(v >> 8);
}
inline void SetU32At(std::string* out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = char((v >> (8 * i)) & 0xFF);
}
