#pragma once

#include <cstdint>

namespace morvane {

using PageId = std::uint32_t;   // page number within a file
using SlotId = std::uint16_t;   // slot number within a page
using FrameId = std::uint32_t;  // buffer frame number

// Names one record: the page that holds it and its slot in that page.
struct RecordId {
  PageId page_number;  // page that holds the record
  SlotId slot_number;  // slot of the record within that page

  // Two identifiers are equal when both fields are equal.
  bool operator==(const RecordId& other) const {
    return page_number == other.page_number && slot_number == other.slot_number;
  }
  bool operator!=(const RecordId& other) const { return !(*this == other); }
};

}  // namespace morvane
