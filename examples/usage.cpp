// The README's usage example as a whole program: records, finds and forgets a
// page, then reports a miss both ways. Build it against an installed library:
//   c++ -std=c++20 examples/usage.cpp $(pkg-config --cflags --libs morvane-storage)

#include <morvane/bufHashTbl.h>
#include <morvane/exceptions/hash_not_found_exception.h>

#include <iostream>

int main() {
  morvane::File orders("orders.db");
  morvane::BufHashTbl table(1024);  // bucket count, fixed for the table's life

  table.insert(&orders, 42, 7);  // page 42 of orders is in frame 7
  morvane::FrameId frame = 0;
  table.lookup(&orders, 42, frame);  // frame == 7
  std::cout << "page 42 is in frame " << frame << '\n';
  table.remove(&orders, 42);  // forget it

  try {
    table.lookup(&orders, 42, frame);  // absent: throws, frame is left alone
  } catch (const morvane::MorvaneException& e) {
    std::cerr << e.what() << '\n';
  }

  if (!table.tryLookup(&orders, 42, frame)) {
    std::cout << "page 42 is not resident\n";  // fault it in, then insert it
  }
  return 0;
}
