#pragma once

// The tests' view of a BufHashTbl's private layout: which chain holds which
// entries in which order.

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
};

}  // namespace morvane
