#include "exceptions/page_pinned_exception.h"

#include "exceptions/compose_message.h"

namespace morvane {

PagePinnedException::PagePinnedException(const std::string& nameIn, PageId pageNoIn, FrameId frameNoIn)
    : MorvaneException(""), name(nameIn), pageNo(pageNoIn), frameNo(frameNoIn) {
  message_ = detail::composeMessage("This page is already pinned. file:  ", name, "page: ", detail::Decimal(pageNo),
                                    "frame: ", detail::Decimal(frameNo));
}

}  // namespace morvane
