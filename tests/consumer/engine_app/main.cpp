// Exits 0 if the engine, linked from its installed package, records and finds
// a page, and a miss arrives as the library's error.

#include <engine.h>

#include <iostream>

static_assert(__cplusplus == 201703L, "a C++17 program must stay C++17 when it links the engine");

int main() {
  const engine::PagedFile orders("orders.db", 100);
  morvane::BufHashTbl table(37);
  if (engine::recordAndFind(table, orders, 42, 7) != 7) {
    std::cout << "engine app FAILED: the page was not found again\n";
    return 1;
  }
  try {
    table.remove(&orders, 43);
  } catch (const morvane::HashNotFoundException& error) {  // named through <morvane/bufHashTbl.h> alone
    std::cout << "engine app ok: " << error.what() << '\n';
    return 0;
  }
  std::cout << "engine app FAILED: no error for an absent page\n";
  return 1;
}
