#include "exceptions/hash_already_present_exception.h"

#include "exceptions/compose_message.h"

namespace morvane {

HashAlreadyPresentException::HashAlreadyPresentException(const std::string& nameIn, PageId pageNoIn, FrameId frameNoIn)
    : MorvaneException(""), name(nameIn), pageNo(pageNoIn), frameNo(frameNoIn) {
  message_ =
      detail::composeMessage("Entry corresponding to the hash value of file:", name, "page:", detail::Decimal(pageNo),
                             "frame:", detail::Decimal(frameNo), "is already present in the hash table.");
}

}  // namespace morvane
