// A Debug program (no NDEBUG) linked against the Release library. Given the
// name of an operation, calls it with a null File*: it must stop on the
// table's assert, whatever the library was built with, before anything else.
// Exits 0 only if the operation returned, which is a failure of the check.

#include <morvane/bufHashTbl.h>

#include <iostream>
#include <string>

#ifdef NDEBUG
#error "a Debug program: build it without NDEBUG"
#endif

int main(int argc, char** argv) {
  morvane::BufHashTbl table(7);
  morvane::FrameId frame = 0;
  const std::string operation = argc == 2 ? argv[1] : "";
  if (operation == "insert") {
    table.insert(nullptr, 1, 1);
  } else if (operation == "remove") {
    table.remove(nullptr, 1);
  } else if (operation == "lookup") {
    table.lookup(nullptr, 1, frame);
  } else if (operation == "tryLookup") {
    (void)table.tryLookup(nullptr, 1, frame);
  } else {
    std::cerr << "usage: null_file insert|remove|lookup|tryLookup\n";
    return 2;
  }
  std::cout << operation << " returned with a null File*\n";
  return 0;
}
