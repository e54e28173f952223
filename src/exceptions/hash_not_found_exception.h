#pragma once

#include <string>

#include "../types.h"
#include "morvane_exception.h"

namespace morvane {

// A (file, page) key is absent from the frame table. Message:
//   The hash value is not present in the hash table for file: <name>page: <page>
class HashNotFoundException : public MorvaneException {
 public:
  // `nameIn` is referred to, not copied, and is read only while the message is
  // composed. Throws std::bad_alloc if the message cannot be allocated.
  explicit HashNotFoundException(const std::string& nameIn, PageId pageNoIn);

 protected:
  // The caller's file name, read only while the message is composed. A
  // deriving class must not read it once the constructor has returned: the
  // string may be gone by then (a File destroyed while the error unwinds).
  const std::string& name;
  const PageId pageNo;  // the page that was not found
};

}  // namespace morvane
