// Records, finds and forgets a page, and catches an error through the base
// class. Exits 0 only if every step gave what it should.

#include <morvane/bufHashTbl.h>
#include <morvane/exceptions/hash_not_found_exception.h>

#include <iostream>
#include <string>

int main() {
  const morvane::File orders("orders.db");
  morvane::BufHashTbl table(64);
  table.insert(&orders, 42, 7);
  morvane::FrameId frame = 0;
  table.lookup(&orders, 42, frame);
  table.remove(&orders, 42);
  try {
    table.lookup(&orders, 42, frame);
  } catch (const morvane::MorvaneException& error) {
    const bool ok =
        frame == 7 && error.message() == "The hash value is not present in the hash table for file: orders.dbpage: 42";
    std::cout << (ok ? "consumer ok: " : "consumer FAILED: ") << error.what() << '\n';
    return ok ? 0 : 1;
  }
  std::cout << "consumer FAILED: no error for a forgotten page\n";
  return 1;
}
