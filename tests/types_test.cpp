// The identifier types: their exact widths, and RecordId's comparisons.

#include "types.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>

namespace morvane {
namespace {

TEST(TypesTest, IdentifiersHaveTheirWidths) {
  EXPECT_TRUE((std::is_same_v<PageId, std::uint32_t>));
  EXPECT_TRUE((std::is_same_v<SlotId, std::uint16_t>));
  EXPECT_TRUE((std::is_same_v<FrameId, std::uint32_t>));
}

TEST(TypesTest, RecordIdsAreEqualWhenBothFieldsAre) {
  const RecordId record{7, 3};
  EXPECT_EQ(record.page_number, 7u);  // the page comes first
  EXPECT_EQ(record.slot_number, 3u);
  for (const RecordId& other : {RecordId{7, 4}, RecordId{8, 3}, RecordId{3, 7}, RecordId{8, 4}}) {
    EXPECT_FALSE(record == other) << other.page_number << "/" << other.slot_number;
    EXPECT_TRUE(record != other) << other.page_number << "/" << other.slot_number;
  }
  EXPECT_TRUE(record == (RecordId{7, 3}));
  EXPECT_FALSE(record != (RecordId{7, 3}));
}

}  // namespace
}  // namespace morvane
