#pragma once

#include "../types.h"
#include "morvane_exception.h"

namespace morvane {

// Data was to be inserted into a slot that is already occupied. Message:
//   Attempt to insert data to a slot that is currently in use. Page: <page> Slot: <slot>
class SlotInUseException : public MorvaneException {
 public:
  // Throws std::bad_alloc if the message cannot be allocated.
  SlotInUseException(PageId page_num, SlotId slot_num);

  virtual PageId page_number() const { return page_number_; }  // the page
  virtual SlotId slot_number() const { return slot_number_; }  // the occupied slot

 protected:
  const PageId page_number_;  // the page
  const SlotId slot_number_;  // the occupied slot
};

}  // namespace morvane
