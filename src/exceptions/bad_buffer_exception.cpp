#include "exceptions/bad_buffer_exception.h"

#include "exceptions/compose_message.h"

namespace morvane {

BadBufferException::BadBufferException(FrameId frameNoIn, bool dirtyIn, bool validIn, bool refbitIn)
    : MorvaneException(""), frameNo(frameNoIn), dirty(dirtyIn), valid(validIn), refbit(refbitIn) {
  message_ = detail::composeMessage("This buffer is bad: ", detail::Decimal(frameNo));
}

}  // namespace morvane
