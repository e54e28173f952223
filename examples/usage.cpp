// The README's usage example as a whole program: sizes a table for a buffer
// pool, records, finds and forgets a page, then reports a miss both ways.
// README.md shows how to build it against an installed library.

#include <morvane/bufHashTbl.h>  // the table, and the errors it throws

#include <cstddef>
#include <iostream>

int main() {
  constexpr std::size_t kFrames = 1000;  // the buffer pool's frames
  morvane::File orders("orders.db");
  morvane::BufHashTbl table(morvane::BufHashTbl::bucketCountFor(kFrames));  // 4,001 chains

  table.insert(&orders, 42, 7);  // page 42 of orders is in frame 7
  morvane::FrameId frame = 0;
  table.lookup(&orders, 42, frame);  // frame == 7
  std::cout << "page 42 is in frame " << frame << '\n';
  table.remove(&orders, 42);  // forget it

  try {
    table.lookup(&orders, 42, frame);  // absent: throws, frame is left alone
  } catch (const morvane::HashNotFoundException& e) {
    std::cerr << e.what() << '\n';
  }

  if (!table.tryLookup(&orders, 42, frame)) {
    std::cout << "page 42 is not resident\n";  // fault it in, then insert it
  }
  return 0;
}
