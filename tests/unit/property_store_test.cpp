// PropertyStore: records end to end in 2048 bytes, refusal of what does not
// fit, lookup by tag.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/property_store.h"

namespace {

TEST(PropertyStore, RecordsAreFoundByTagWithTheirBytes) {
  PropertyStore store;
  const char a[] = "abc";
  const uint32_t b = 0x11223344;
  ASSERT_EQ(store.Add(7, a, 3), CX_OK);
  ASSERT_EQ(store.Add(9, nullptr, 0), CX_OK);
  ASSERT_EQ(store.Add(20, &b, sizeof b), CX_OK);
  ASSERT_EQ(store.Add(7, "zz", 2), CX_OK);  // a later duplicate is not what Find sees
  EXPECT_EQ(store.Used(), 4 * PropertyStore::kHeaderSize + 3 + 4 + 2);

  const uint8_t* data = nullptr;
  uint32_t length = 99;
  ASSERT_EQ(store.Find(20, &data, &length), CX_OK);
  ASSERT_EQ(length, 4u);
  uint32_t back;
  std::memcpy(&back, data, 4);
  EXPECT_EQ(back, b);
  ASSERT_EQ(store.Find(7, &data, &length), CX_OK);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), length), "abc");
  ASSERT_EQ(store.Find(9, &data, &length), CX_OK);
  EXPECT_EQ(length, 0u);

  data = nullptr;
  length = 99;
  EXPECT_EQ(store.Find(8, &data, &length), CX_E_MISSING);
  EXPECT_EQ(data, nullptr);  // untouched on failure
  EXPECT_EQ(length, 99u);
}

TEST(PropertyStore, RecordThatDoesNotFitIsRefusedAndNothingChanges) {
  PropertyStore store;
  std::vector<uint8_t> big(PropertyStore::kCapacity);
  // Exactly the capacity: one header plus the rest.
  const uint32_t fill = PropertyStore::kCapacity - PropertyStore::kHeaderSize;
  EXPECT_EQ(store.Add(1, big.data(), fill + 1), CX_E_OUT_OF_MEMORY);
  EXPECT_EQ(store.Used(), 0u);
  ASSERT_EQ(store.Add(1, big.data(), fill - 10), CX_OK);
  // 10 bytes left: a header and 5 bytes do not fit, 4 do.
  EXPECT_EQ(store.Add(2, big.data(), 5), CX_E_OUT_OF_MEMORY);
  EXPECT_EQ(store.Add(2, big.data(), 0xFFFFFFFFu), CX_E_OUT_OF_MEMORY);  // no wrap-around
  ASSERT_EQ(store.Add(2, big.data(), 4), CX_OK);
  EXPECT_EQ(store.Used(), PropertyStore::kCapacity);
  EXPECT_EQ(store.Add(3, nullptr, 0), CX_E_OUT_OF_MEMORY);  // not even a header
  const uint8_t* data;
  uint32_t length;
  EXPECT_EQ(store.Find(2, &data, &length), CX_OK);
  EXPECT_EQ(store.Find(3, &data, &length), CX_E_MISSING);
  EXPECT_EQ(store.Add(4, nullptr, 1), CX_E_INVALID_ARG);
}

TEST(PropertyStore, DialogPointerRoundTrip) {
  PropertyStore store;
  int dialog = 0;
  ASSERT_EQ(store.AddPointer(kPropertyTagDialog, &dialog), CX_OK);
  store.Add(21, "x", 1);
  void* back = nullptr;
  ASSERT_EQ(store.GetPointer(kPropertyTagDialog, &back), CX_OK);
  EXPECT_EQ(back, &dialog);
  EXPECT_EQ(store.GetPointer(21, &back), CX_E_BAD_DATA);  // wrong length, out untouched
  EXPECT_EQ(back, &dialog);
}

}  // namespace
