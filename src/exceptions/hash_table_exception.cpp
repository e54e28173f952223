#include "exceptions/hash_table_exception.h"

namespace morvane {

HashTableException::HashTableException()
    : MorvaneException("The hash table could not allocate storage for a new entry.") {}

}  // namespace morvane
