#pragma once

#include <string>

#include "../types.h"
#include "morvane_exception.h"

namespace morvane {

// A (file, page) key is already in the frame table. Message:
//   Entry corresponding to the hash value of file:<name>page:<page>frame:<frame>is already present in the hash table.
class HashAlreadyPresentException : public MorvaneException {
 public:
  // `nameIn` is referred to, not copied, and is read only while the message is
  // composed. Throws std::bad_alloc if the message cannot be allocated.
  explicit HashAlreadyPresentException(const std::string& nameIn, PageId pageNoIn, FrameId frameNoIn);

 protected:
  const std::string& name;  // the caller's file name; may dangle after construction
  const PageId pageNo;      // the page already present
  const FrameId frameNo;    // the frame recorded for it
};

}  // namespace morvane
