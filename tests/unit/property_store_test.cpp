// PropertyStore: tagged records in 2048 bytes; what does not fit is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/property_store.h"

namespace {

TEST(PropertyStore, FirstRecordOfATagIsFound) {
  PropertyStore store;
  ASSERT_EQ(store.Add(7, "abc", 3), CX_OK);
  ASSERT_EQ(store.Add(7, "zz", 2), CX_OK);
  const uint8_t* data = nullptr;
  uint32_t length = 0;
  ASSERT_EQ(store.Find(7, &data, &length), CX_OK);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), length), "abc");
  EXPECT_EQ(store.Find(8, &data, &length), CX_E_MISSING);
  void* back = nullptr;
  EXPECT_EQ(store.GetPointer(7, &back), CX_E_BAD_DATA);  // 3 bytes are no pointer
}

TEST(PropertyStore, RecordThatDoesNotFitIsRefused) {
  PropertyStore store;
  std::vector<uint8_t> big(PropertyStore::kCapacity);
  const uint32_t fill = PropertyStore::kCapacity - PropertyStore::kHeaderSize;
  EXPECT_EQ(store.Add(1, big.data(), fill + 1), CX_E_OUT_OF_MEMORY);
  ASSERT_EQ(store.Add(1, big.data(), fill - 10), CX_OK);
  // 10 bytes left: a header and 5 bytes do not fit, a header and 4 do.
  EXPECT_EQ(store.Add(2, big.data(), 5), CX_E_OUT_OF_MEMORY);
  EXPECT_EQ(store.Add(2, big.data(), 0xFFFFFFFFu), CX_E_OUT_OF_MEMORY);  // no wrap-around
  EXPECT_EQ(store.Used(), PropertyStore::kCapacity - 10);
  ASSERT_EQ(store.Add(2, big.data(), 4), CX_OK);
}

}  // namespace
