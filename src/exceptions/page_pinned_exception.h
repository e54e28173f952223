#pragma once

#include <string>

#include "../types.h"
#include "morvane_exception.h"

namespace morvane {

// A page of a file is already pinned in a buffer frame. Message (two spaces
// after "file:"):
//   This page is already pinned. file:  <name>page: <page>frame: <frame>
class PagePinnedException : public MorvaneException {
 public:
  // `nameIn` is referred to, not copied, and is read only while the message is
  // composed. Throws std::bad_alloc if the message cannot be allocated.
  explicit PagePinnedException(const std::string& nameIn, PageId pageNoIn, FrameId frameNoIn);

 protected:
  // The caller's file name, read only while the message is composed. A
  // deriving class must not read it once the constructor has returned: the
  // string may be gone by then (a File destroyed while the error unwinds).
  const std::string& name;
  const PageId pageNo;    // the pinned page
  const FrameId frameNo;  // the frame that holds it
};

}  // namespace morvane
