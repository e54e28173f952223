#pragma once

// The page tables that the benchmarks and the trace replay compare, behind one
// small interface: the frame table; std::unordered_map keyed by
// (const File*, PageId) under the table's own hash formula and under a mixing
// hash; and, when abseil is available (MORVANE_BENCH_WITH_ABSL),
// absl::flat_hash_map under absl::Hash and under the table's formula.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "bufHashTbl.h"
#include "exceptions/hash_not_found_exception.h"

#ifdef MORVANE_BENCH_WITH_ABSL
#include <absl/container/flat_hash_map.h>
#include <absl/hash/hash.h>
#endif

namespace morvane::bench {

struct Key {
  const File* file;  // not owned
  PageId page;
  bool operator==(const Key&) const = default;
  template <typename H>
  friend H AbslHashValue(H hash, const Key& key) {
    return H::combine(std::move(hash), key.file, key.page);
  }
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
    return static_cast<std::size_t>(x);
  }
};

// The bucket count that std::unordered_map chooses for `entries` entries;
// every structure of one micro-benchmark is built with it (the hash maps
// reserve room for that many entries). The trace replay sizes the table with
// BufHashTbl::bucketCountFor instead.
inline int bucketsFor(std::size_t entries) {
  std::unordered_map<Key, FrameId, SameHash> probe;
  probe.reserve(entries);
  return static_cast<int>(probe.bucket_count());
}

// A standard-style hash map as a page table.
template <typename Container>
class Map {
 public:
  explicit Map(int buckets) { map_.reserve(static_cast<std::size_t>(buckets)); }
  void insert(const File* file, PageId page, FrameId frame) { map_.emplace(Key{file, page}, frame); }
  void remove(const File* file, PageId page) { map_.erase(Key{file, page}); }
  bool find(const File* file, PageId page, FrameId& frame) const {
    const auto found = map_.find(Key{file, page});
    if (found == map_.end()) return false;
    frame = found->second;
    return true;
  }
  // A map's find is its only lookup; a miss costs no more than a hit.
  bool throwingFind(const File* file, PageId page, FrameId& frame) const { return find(file, page, frame); }
  // Buckets of an unordered_map, slots of a flat_hash_map.
  std::size_t bucketCount() const { return map_.bucket_count(); }

 private:
  Container map_;
};

using SameMap = Map<std::unordered_map<Key, FrameId, SameHash>>;
using MixMap = Map<std::unordered_map<Key, FrameId, MixHash>>;
#ifdef MORVANE_BENCH_WITH_ABSL
using AbslMap = Map<absl::flat_hash_map<Key, FrameId, absl::Hash<Key>>>;
using AbslSameMap = Map<absl::flat_hash_map<Key, FrameId, SameHash>>;
#endif

class Table {
 public:
  explicit Table(int buckets) : table_(buckets), buckets_(static_cast<std::size_t>(buckets)) {}
  void insert(const File* file, PageId page, FrameId frame) { table_.insert(file, page, frame); }
  void remove(const File* file, PageId page) { table_.remove(file, page); }
  bool find(const File* file, PageId page, FrameId& frame) const { return table_.tryLookup(file, page, frame); }
  std::size_t bucketCount() const { return buckets_; }
  // The throwing path: lookup, and a miss arrives as HashNotFoundException.
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
  std::size_t buckets_;  // the table's chains
};

}  // namespace morvane::bench
