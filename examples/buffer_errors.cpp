// A fragment of an engine's buffer manager: it raises the library's errors
// where an engine's layers do (docs/errors.md), catches them by their own
// type or by the family's root, and adds one error of its own to the family.
// README.md shows how to build it against an installed library.

#include <morvane/bufHashTbl.h>
#include <morvane/exceptions.h>  // MorvaneException and all nine errors

#include <cstddef>
#include <iostream>
#include <string>
#include <vector>

namespace engine {

// The engine's own error. Like the library's, it composes its message once, in
// its constructor, and hands it to MorvaneException's public constructor; a
// handler of MorvaneException& catches it with the rest.
class PoolExhaustedException : public morvane::MorvaneException {
 public:
  explicit PoolExhaustedException(std::size_t frames)
      : morvane::MorvaneException("Every frame of the buffer pool is pinned (pool size: " + std::to_string(frames) +
                                  ")."),
        frames_(frames) {}
  std::size_t frames() const { return frames_; }

 private:
  std::size_t frames_;  // the pool's size
};

// Pins pages of files into a fixed pool of frames; no eviction, no I/O.
class BufferPool {
 public:
  explicit BufferPool(std::size_t frames)
      : table_(morvane::BufHashTbl::bucketCountFor(frames)), pinned_(frames, false) {}

  // Pins page `page` of `file`, which has `pages` pages. Throws
  // InvalidPageException (the file layer's check), PagePinnedException if it
  // is pinned already, PoolExhaustedException if no frame is free.
  morvane::FrameId pin(const morvane::File& file, morvane::PageId page, morvane::PageId pages) {
    if (page >= pages) throw morvane::InvalidPageException(page, file.filename());
    morvane::FrameId frame = 0;
    if (table_.tryLookup(&file, page, frame)) {
      if (pinned_[frame]) throw morvane::PagePinnedException(file.filename(), page, frame);
    } else {
      frame = freeFrame();
      table_.insert(&file, page, frame);  // read the page into `frame` here
    }
    pinned_[frame] = true;
    return frame;
  }

  // Unpins page `page` of `file`; the table's HashNotFoundException if it is
  // not in the pool.
  void unpin(const morvane::File& file, morvane::PageId page) {
    morvane::FrameId frame = 0;
    table_.lookup(&file, page, frame);
    pinned_[frame] = false;
  }

 private:
  morvane::FrameId freeFrame() {
    for (std::size_t frame = 0; frame < pinned_.size(); ++frame) {
      if (!pinned_[frame]) return static_cast<morvane::FrameId>(frame);  // a real pool would evict its page
    }
    throw PoolExhaustedException(pinned_.size());
  }

  morvane::BufHashTbl table_;
  std::vector<bool> pinned_;  // per frame
};

}  // namespace engine

int main() {
  const morvane::File orders("orders.db");
  engine::BufferPool pool(1);
  int caught = 0;
  pool.pin(orders, 3, 10);
  try {
    pool.pin(orders, 3, 10);
  } catch (const morvane::PagePinnedException& e) {  // its page and frame are in the message only
    std::cout << e.what() << '\n';
    ++caught;
  }
  try {
    pool.pin(orders, 12, 10);
  } catch (const morvane::InvalidPageException& e) {  // the page and record errors have accessors
    std::cout << "page " << e.page_number() << " of " << e.filename() << ": " << e.what() << '\n';
    ++caught;
  }
  try {
    pool.pin(orders, 4, 10);                      // the one frame holds page 3, pinned
  } catch (const morvane::MorvaneException& e) {  // the family's root catches the engine's own error too
    std::cout << e.message() << '\n';
    ++caught;
  }
  try {
    pool.unpin(orders, 5);  // never pinned
  } catch (const morvane::HashNotFoundException& e) {
    std::cout << e.what() << '\n';
    ++caught;
  }
  return caught == 4 ? 0 : 1;
}
