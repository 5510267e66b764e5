// One owner for every OS resource: a move-only holder parameterised by traits
// that say what "no resource" is and how to close one.
//
//   struct HandleTraits {
//     using Type = HANDLE;
//     static Type Invalid() { return nullptr; }
//     static void Close(Type h) { ::CloseHandle(h); }
//   };
//   using ScopedHandle = ScopedResource<HandleTraits>;
//
// Portable: the Windows traits live in common/win_handles.h.
#pragma once
#include <utility>

template <typename Traits>
class ScopedResource {
 public:
  using Type = typename Traits::Type;

  ScopedResource() : value_(Traits::Invalid()) {}
  explicit ScopedResource(Type value) : value_(value) {}
  ~ScopedResource() { Reset(); }

  ScopedResource(const ScopedResource&) = delete;
  ScopedResource& operator=(const ScopedResource&) = delete;
  ScopedResource(ScopedResource&& other) noexcept : value_(other.Take()) {}
  ScopedResource& operator=(ScopedResource&& other) noexcept {
    if (this != &other) Reset(other.Take());
    return *this;
  }

  bool IsValid() const { return value_ != Traits::Invalid(); }
  explicit operator bool() const { return IsValid(); }
  Type Get() const { return value_; }

  // Closes the held resource (if any) and takes ownership of `value`.
  void Reset(Type value = Traits::Invalid()) {
    Type old = value_;
    value_ = value;
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // Gives up ownership without closing.
  Type Take() {
    Type v = value_;
    value_ = Traits::Invalid();
    return v;
  }
  // For out-parameters of APIs that create the resource: closes the old one.
  Type* Receive() {
    Reset();
    return &value_;
  }

 private:
  Type value_;
};
