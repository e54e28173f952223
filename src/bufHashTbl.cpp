#include "bufHashTbl.h"

#include <new>

namespace morvane {

BufHashTbl::BufHashTbl(int htSize) : HTSIZE(htSize), ht(nullptr) {
  // A count of 0 would make hash() divide by zero; reject it as the array
  // allocation rejects a negative count.
  if (htSize < 1) throw std::bad_array_new_length();
  // The array size cannot overflow for 1 <= htSize <= INT_MAX.
  ht = new hashBucket*[static_cast<std::size_t>(htSize)]();  // GCOVR_EXCL_BR_LINE
}

BufHashTbl::~BufHashTbl() {
  for (int i = 0; i < HTSIZE; ++i) {
    while (hashBucket* entry = ht[i]) {
      ht[i] = entry->next;
      delete entry;  // GCOVR_EXCL_BR_LINE: delete's own null test; entry is never null
    }
  }
  delete[] ht;  // GCOVR_EXCL_BR_LINE: delete's own null test; ht is never null
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
