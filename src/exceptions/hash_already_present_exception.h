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
  // The caller's file name, read only while the message is composed. A
  // deriving class must not read it once the constructor has returned: the
  // string may be gone by then (a File destroyed while the error unwinds).
  const std::string& name;
  const PageId pageNo;    // the page already present
  const FrameId frameNo;  // the frame recorded for it
};

}  // namespace morvane
