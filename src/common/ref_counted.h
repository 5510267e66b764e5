// Reference-counted base of the script-facing objects (actions, the action
// registry, script elements, the install context, progress records).
// Most users create, use and delete such objects directly; the count exists
// for the few that share one.
#pragma once
#include <atomic>
#include <cstdint>

class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;
  virtual ~RefCounted() = default;

  uint32_t AddRef() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  // At zero the object deletes itself; returns the new count.
  uint32_t Release() {
    uint32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<uint32_t> count_{0};
};
