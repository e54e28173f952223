#pragma once

#include "morvane_exception.h"

namespace morvane {

// The frame table could not store a new entry because its allocation yielded
// a null pointer. A conforming operator new never does (it throws
// std::bad_alloc instead), so with the standard allocator the table never
// throws this error, and compilers may remove the check that would. Message:
//   The hash table could not allocate storage for a new entry.
class HashTableException : public MorvaneException {
 public:
  // Throws std::bad_alloc if the message cannot be allocated.
  HashTableException();
};

}  // namespace morvane
