#pragma once

// The structures that the benchmarks and the trace replay compare, behind one
// small interface: the frame table, and std::unordered_map keyed by
// (const File*, PageId) under the table's own hash formula or a mixing hash.

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <unordered_map>

#include "bufHashTbl.h"
#include "exceptions/hash_not_found_exception.h"

namespace morvane::bench {

struct Key {
  const File* file;  // not owned
  PageId page;
  bool operator==(const Key&) const = default;
};

// The frame table's formula: low 32 address bits plus the page, mod 2^32.
struct SameHash {
  std::size_t operator()(const Key& key) const noexcept {
    return static_cast<std::uint32_t>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(key.file)) +
                                      key.page);
  }
};

// A well-mixed hash of both fields (the finaliser of MurmurHash3).
struct MixHash {
  std::size_t operator()(const Key& key) const noexcept {
    std::uint64_t x = reinterpret_cast<std::uintptr_t>(key.file) * 0x9E3779B97F4A7C15ULL + key.page;
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDULL;
    x ^= x >> 33;
    x *= 0xC4CEB9FE1A85EC53ULL;
    x ^= x >> 33;
    return x;
  }
};

// The bucket count that std::unordered_map chooses for `entries` entries;
// every structure of one comparison is built with it.
inline int bucketsFor(std::size_t entries) {
  std::unordered_map<Key, FrameId, SameHash> probe;
  probe.reserve(entries);
  return static_cast<int>(probe.bucket_count());
}

template <typename Hash>
class Map {
 public:
  static constexpr const char* kName = std::is_same_v<Hash, SameHash> ? "map_same_hash" : "map_mix_hash";
  explicit Map(int buckets) { map_.reserve(static_cast<std::size_t>(buckets)); }
  void insert(const File* file, PageId page, FrameId frame) { map_.emplace(Key{file, page}, frame); }
  void remove(const File* file, PageId page) { map_.erase(Key{file, page}); }
  bool find(const File* file, PageId page, FrameId& frame) const {
    const auto found = map_.find(Key{file, page});
    if (found == map_.end()) return false;
    frame = found->second;
    return true;
  }
  // The map's find is its only lookup; a miss costs no more than a hit.
  bool throwingFind(const File* file, PageId page, FrameId& frame) const { return find(file, page, frame); }

 private:
  std::unordered_map<Key, FrameId, Hash> map_;
};

class Table {
 public:
  static constexpr const char* kName = "BufHashTbl";
  explicit Table(int buckets) : table_(buckets) {}
  void insert(const File* file, PageId page, FrameId frame) { table_.insert(file, page, frame); }
  void remove(const File* file, PageId page) { table_.remove(file, page); }
  bool find(const File* file, PageId page, FrameId& frame) const { return table_.tryLookup(file, page, frame); }
  // The specified path: lookup, and a miss arrives as HashNotFoundException.
  // Not inlined, so that the handler sits in a small frame of its own, as in
  // the baseline that throws an empty std::exception: the cost of finding a
  // handler grows with the size of the function that holds it.
  [[gnu::noinline]] bool throwingFind(const File* file, PageId page, FrameId& frame) {
    try {
      table_.lookup(file, page, frame);
      return true;
    } catch (const HashNotFoundException&) {
      return false;
    }
  }

 private:
  BufHashTbl table_;
};

}  // namespace morvane::bench
