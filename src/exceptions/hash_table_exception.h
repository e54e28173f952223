#pragma once

#include "morvane_exception.h"

namespace morvane {

// The frame table could not store a new entry because its allocation yielded
// no storage. Message:
//   The hash table could not allocate storage for a new entry.
class HashTableException : public MorvaneException {
 public:
  // Throws std::bad_alloc if the message cannot be allocated.
  HashTableException();
};

}  // namespace morvane
