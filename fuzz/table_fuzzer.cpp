// Differential fuzzer: decodes its input into a bucket count and a sequence of
// inserts, lookups and removes over several File objects (two share a name),
// applies each to the frame table and to a std::map, and traps on any
// difference in result, error type or error message, and at the end in the
// whole content.
//
// Input: byte 0 picks the bucket count (mostly 1 to 8, so chains are long);
// then each operation takes 2 bytes (operation and file, page choice), plus 4
// bytes when it names a raw page number.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <locale>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "bufHashTbl.h"
#include "exceptions/hash_already_present_exception.h"
#include "exceptions/hash_not_found_exception.h"

namespace {

using morvane::File;
using morvane::FrameId;
using morvane::PageId;

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t word() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | byte();
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void require(bool condition) {
  if (!condition) std::abort();
}

// The expected messages, composed independently with a classic-locale stream.
std::string notFound(const File& file, PageId page) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << "The hash value is not present in the hash table for file: " << file.filename() << "page: " << page;
  return text.str();
}

std::string alreadyPresent(const File& file, PageId page, FrameId frame) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << "Entry corresponding to the hash value of file:" << file.filename() << "page:" << page << "frame:" << frame
       << "is already present in the hash table.";
  return text.str();
}

int bucketCount(std::uint8_t choice) {
  if (choice < 192) return 1 + choice % 8;
  if (choice < 255) return 1 + choice;
  return 65537;
}

// Small pages, so keys repeat; the extremes, where the hash sum wraps; or raw.
PageId page(std::uint8_t choice, Input& in) {
  const std::uint32_t low = choice & 0x0F;
  switch (choice >> 4) {
    case 0xC:
      return 0xFFFFFFFFu - low;
    case 0xD:
      return 0x80000000u - 8 + low;
    case 0xE:
      return 0x7FFFFFFFu - low;
    case 0xF:
      return in.word();
    default:
      return choice % 24;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const File files[] = {File("relA"), File("relA"), File("orders"), File("")};
  Input in(data, size);
  morvane::BufHashTbl table(bucketCount(in.byte()));
  std::map<std::pair<const File*, PageId>, FrameId> model;
  std::set<std::pair<const File*, PageId>> touched;
  FrameId nextFrame = 0;

  while (!in.empty()) {
    const std::uint8_t op = in.byte();
    const File& file = files[op & 3];
    const PageId pageNo = page(in.byte(), in);
    const auto key = std::make_pair(&file, pageNo);
    touched.insert(key);
    const auto found = model.find(key);
    switch ((op >> 2) % 4) {
      case 0:
      case 1: {  // insert
        const FrameId frame = nextFrame++;
        try {
          table.insert(&file, pageNo, frame);
          require(found == model.end());
          model.emplace(key, frame);
        } catch (const morvane::HashAlreadyPresentException& error) {
          require(found != model.end() && error.message() == alreadyPresent(file, pageNo, found->second));
        }
        break;
      }
      case 2: {  // lookup, and tryLookup
        FrameId frame = 0xDEADBEEF;
        try {
          table.lookup(&file, pageNo, frame);
          require(found != model.end() && frame == found->second);
        } catch (const morvane::HashNotFoundException& error) {
          require(found == model.end() && frame == 0xDEADBEEF && error.message() == notFound(file, pageNo));
        }
        FrameId probed = 0xDEADBEEF;
        require(table.tryLookup(&file, pageNo, probed) == (found != model.end()) && probed == frame);
        break;
      }
      default:  // remove
        try {
          table.remove(&file, pageNo);
          require(found != model.end());
          model.erase(found);
        } catch (const morvane::HashNotFoundException& error) {
          require(found == model.end() && std::string(error.what()) == notFound(file, pageNo));
        }
    }
  }

  for (const auto& key : touched) {
    FrameId frame = 0;
    const auto found = model.find(key);
    require(table.tryLookup(key.first, key.second, frame) == (found != model.end()));
    require(found == model.end() || frame == found->second);
  }
  return 0;
}
