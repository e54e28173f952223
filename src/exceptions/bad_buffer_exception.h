#pragma once

#include "../types.h"
#include "morvane_exception.h"

namespace morvane {

// A buffer frame is in a bad state. Keeps the frame's three status flags as
// the thrower saw them; the message does not show them. Message:
//   This buffer is bad: <frame>
class BadBufferException : public MorvaneException {
 public:
  // Throws std::bad_alloc if the message cannot be allocated.
  explicit BadBufferException(FrameId frameNoIn, bool dirtyIn, bool validIn, bool refbitIn);

 protected:
  FrameId frameNo;  // the bad frame
  bool dirty;       // the frame's dirty bit
  bool valid;       // the frame's valid bit
  bool refbit;      // the frame's reference bit
};

}  // namespace morvane
