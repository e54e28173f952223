#pragma once

// The tests' and the benchmarks' view of a BufHashTbl's private layout: which
// chain holds which entries in which order, and the remainder that picks the
// chain.

#include <cstdint>
#include <vector>

#include "bufHashTbl.h"

namespace morvane {

class BufHashTblPeer {
 public:
  struct Entry {
    const File* file;
    PageId pageNo;
    FrameId frameNo;
    bool operator==(const Entry&) const = default;
  };

  static int bucketCount(const BufHashTbl& table) { return table.HTSIZE; }

  // The entries of chain `index`, head first.
  static std::vector<Entry> chain(const BufHashTbl& table, int index) {
    std::vector<Entry> entries;
    for (const hashBucket* entry = table.ht[index]; entry != nullptr; entry = entry->next) {
      entries.push_back({entry->file, entry->pageNo, entry->frameNo});
    }
    return entries;
  }

  static int hash(const BufHashTbl& table, const File* file, PageId pageNo) { return table.hash(file, pageNo); }

  static std::uint64_t reciprocalOf(std::uint32_t count) { return BufHashTbl::reciprocalOf(count); }
  static std::uint32_t remainderOf(std::uint32_t sum, std::uint64_t reciprocal, std::uint32_t count) {
    return BufHashTbl::remainderOf(sum, reciprocal, count);
  }
};

}  // namespace morvane
