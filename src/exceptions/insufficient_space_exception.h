#pragma once

#include <cstddef>

#include "../types.h"
#include "morvane_exception.h"

namespace morvane {

// A page has too little free space for a record. Message (no space before
// "to", two after "record."):
//   Insufficient space in page <page>to hold record.  Requested: <n> bytes. Available: <m> bytes.
class InsufficientSpaceException : public MorvaneException {
 public:
  // Throws std::bad_alloc if the message cannot be allocated.
  InsufficientSpaceException(PageId page_num, std::size_t requested, std::size_t available);

  PageId page_number() const { return page_number_; }               // the page too full
  std::size_t space_requested() const { return space_requested_; }  // bytes asked for
  std::size_t space_available() const { return space_available_; }  // bytes free in the page

 protected:
  const PageId page_number_;           // the page too full
  const std::size_t space_requested_;  // bytes asked for
  const std::size_t space_available_;  // bytes free in the page
};

}  // namespace morvane
