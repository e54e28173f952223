#include "exceptions/invalid_record_exception.h"

#include "exceptions/compose_message.h"

namespace morvane {

InvalidRecordException::InvalidRecordException(const RecordId& rec_id, PageId page_num)
    : MorvaneException(""), record_id_(rec_id), page_number_(page_num) {
  message_ = detail::composeMessage(
      "Request made for an invalid record.", " Record {page=", detail::Decimal(record_id_.page_number),
      ", slot=", detail::Decimal(record_id_.slot_number), "} from page ", detail::Decimal(page_number_));
}

}  // namespace morvane
