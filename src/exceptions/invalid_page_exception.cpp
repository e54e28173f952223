#include "exceptions/invalid_page_exception.h"

#include "exceptions/compose_message.h"

namespace morvane {

InvalidPageException::InvalidPageException(PageId requested_number, const std::string& file)
    : MorvaneException(""), page_number_(requested_number), filename_(file) {
  message_ = detail::composeMessage("Request made for an invalid page.", " Requested page ",
                                    detail::Decimal(page_number_), " from file '", filename_, "'");
}

}  // namespace morvane
