#include "exceptions/insufficient_space_exception.h"

#include "exceptions/compose_message.h"

namespace morvane {

InsufficientSpaceException::InsufficientSpaceException(PageId page_num, std::size_t requested, std::size_t available)
    : MorvaneException(""), page_number_(page_num), space_requested_(requested), space_available_(available) {
  message_ = detail::composeMessage("Insufficient space in page ", detail::Decimal(page_number_),
                                    "to hold record.  Requested: ", detail::Decimal(space_requested_), " bytes.",
                                    " Available: ", detail::Decimal(space_available_), " bytes.");
}

}  // namespace morvane
