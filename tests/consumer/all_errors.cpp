// Throws and catches each of the ten error classes by its own type, with
// <morvane/exceptions.h> as the only include of the library.

#include <morvane/exceptions.h>

#include <iostream>
#include <string>

static_assert(__cplusplus == 201703L, "a C++17 consumer must stay C++17 when it links the library");

namespace {

int caught = 0;

template <typename Error, typename... Args>
void throwAndCatch(const Args&... args) {
  try {
    throw Error(args...);
  } catch (const Error& error) {
    if (!error.message().empty()) ++caught;
  }
}

}  // namespace

int main() {
  const std::string name = "orders.db";
  throwAndCatch<morvane::MorvaneException>(std::string("x"));
  throwAndCatch<morvane::HashNotFoundException>(name, 1u);
  throwAndCatch<morvane::HashAlreadyPresentException>(name, 1u, 2u);
  throwAndCatch<morvane::HashTableException>();
  throwAndCatch<morvane::PagePinnedException>(name, 1u, 2u);
  throwAndCatch<morvane::BadBufferException>(2u, true, false, true);
  throwAndCatch<morvane::InvalidPageException>(1u, name);
  throwAndCatch<morvane::InvalidRecordException>(morvane::RecordId{1, 2}, 1u);
  throwAndCatch<morvane::InsufficientSpaceException>(1u, std::size_t{100}, std::size_t{20});
  throwAndCatch<morvane::SlotInUseException>(1u, morvane::SlotId{0});
  std::cout << (caught == 10 ? "all errors ok: " : "all errors FAILED: ") << caught << " of 10 thrown and caught\n";
  return caught == 10 ? 0 : 1;
}
