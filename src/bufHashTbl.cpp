#include "bufHashTbl.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace morvane {

BufHashTbl::BufHashTbl(int htSize) : HTSIZE(htSize), ht(nullptr) {
  // A count of 0 has no reciprocal and no chain to hash to; reject it as the
  // array allocation rejects a negative count.
  if (htSize < 1) throw std::bad_array_new_length();
  const auto count = static_cast<std::uint32_t>(htSize);
  // One block: the reciprocal's slots, then the chain heads, all null. Its
  // size cannot overflow std::size_t for 1 <= htSize <= INT_MAX.
  hashBucket** block = new hashBucket*[kReciprocalSlots + std::size_t{count}]();  // GCOVR_EXCL_BR_LINE
  const std::uint64_t reciprocal = reciprocalOf(count);
  std::memcpy(block, &reciprocal, sizeof reciprocal);
  ht = block + kReciprocalSlots;
}

BufHashTbl::~BufHashTbl() {
  for (int i = 0; i < HTSIZE; ++i) {
    while (hashBucket* entry = ht[i]) {
      ht[i] = entry->next;
      delete entry;  // GCOVR_EXCL_BR_LINE: delete's own null test; entry is never null
    }
  }
  delete[](ht - kReciprocalSlots);  // GCOVR_EXCL_BR_LINE: delete's own null test; the block is never null
}

void BufHashTbl::throwNotFound(const File* file, PageId pageNo) {
  throw HashNotFoundException(file->filename(), pageNo);
}

void BufHashTbl::insertEntry(const File* file, PageId pageNo, FrameId frameNo) {
  const int index = hash(file, pageNo);
  if (const hashBucket* present = *findLink(index, file, pageNo)) {
    throw HashAlreadyPresentException(present->file->filename(), present->pageNo, present->frameNo);
  }
  auto* entry = new hashBucket;
  // Unreachable with a conforming allocator, whose throwing new never yields null.
  if (entry == nullptr) throw HashTableException();  // GCOVR_EXCL_BR_LINE
  // hashBucket keeps a non-const File*; the table never modifies a File through it.
  entry->file = const_cast<File*>(file);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  entry->pageNo = pageNo;
  entry->frameNo = frameNo;
  entry->next = ht[index];
  ht[index] = entry;
}

void BufHashTbl::removeEntry(const File* file, PageId pageNo) {
  hashBucket** link = findLink(hash(file, pageNo), file, pageNo);
  hashBucket* entry = *link;
  if (entry == nullptr) throwNotFound(file, pageNo);
  *link = entry->next;
  delete entry;  // GCOVR_EXCL_BR_LINE: delete's own null test; entry is never null
}

}  // namespace morvane
