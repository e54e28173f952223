#include "exceptions/hash_not_found_exception.h"

#include "exceptions/compose_message.h"

namespace morvane {

HashNotFoundException::HashNotFoundException(const std::string& nameIn, PageId pageNoIn)
    : MorvaneException(""), name(nameIn), pageNo(pageNoIn) {
  message_ = detail::composeMessage("The hash value is not present in the hash table for file: ", name,
                                    "page: ", detail::Decimal(pageNo));
}

}  // namespace morvane
