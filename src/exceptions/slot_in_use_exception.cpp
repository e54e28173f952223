#include "exceptions/slot_in_use_exception.h"

#include "exceptions/compose_message.h"

namespace morvane {

SlotInUseException::SlotInUseException(PageId page_num, SlotId slot_num)
    : MorvaneException(""), page_number_(page_num), slot_number_(slot_num) {
  message_ = detail::composeMessage("Attempt to insert data to a slot that is currently in use.",
                                    " Page: ", detail::Decimal(page_number_), " Slot: ", detail::Decimal(slot_number_));
}

}  // namespace morvane
