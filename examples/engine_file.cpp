// An engine's own file class as the table's key. The table needs of a file
// only a stable address and filename(), so the engine derives its file class
// from morvane::File and passes its objects as they are; every error the
// table throws names the file by that name. File's destructor is virtual, so
// the engine may own its files through File pointers.

#include <morvane/bufHashTbl.h>

#include <iostream>
#include <memory>
#include <string>
#include <utility>

namespace engine {

// An open paged file of the engine. Like morvane::File it is neither copied
// nor moved: its address is its identity in the table.
class PagedFile : public morvane::File {
 public:
  PagedFile(std::string path, int descriptor, morvane::PageId pages)
      : morvane::File(std::move(path)), descriptor_(descriptor), pages_(pages) {}

  int descriptor() const { return descriptor_; }
  morvane::PageId pages() const { return pages_; }

 private:
  int descriptor_;         // the open file's descriptor (not used here)
  morvane::PageId pages_;  // pages in the file
};

}  // namespace engine

int main() {
  const engine::PagedFile orders("orders.db", 3, 100);
  // Owned through the base class: destroying it destroys the whole PagedFile.
  const std::unique_ptr<morvane::File> lines = std::make_unique<engine::PagedFile>("lines.db", 4, 100);
  morvane::BufHashTbl table(morvane::BufHashTbl::bucketCountFor(64));

  table.insert(&orders, 7, 0);      // an engine::PagedFile* is a const morvane::File*
  table.insert(lines.get(), 7, 1);  // same page number, another file: another key
  morvane::FrameId frame = 0;
  if (!table.tryLookup(lines.get(), 7, frame) || frame != 1) return 1;
  try {
    table.insert(&orders, 7, 2);
  } catch (const morvane::HashAlreadyPresentException& e) {
    std::cout << e.what() << '\n';  // names orders.db, page 7, frame 0
  }
  std::cout << "C++" << __cplusplus / 100 % 100 << ": page 7 of " << lines->filename() << " is in frame " << frame
            << '\n';
  return 0;
}
