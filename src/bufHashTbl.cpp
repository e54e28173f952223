#include "bufHashTbl.h"

#include <cassert>
#include <cstdint>
#include <new>

#include "exceptions/hash_already_present_exception.h"
#include "exceptions/hash_not_found_exception.h"
#include "exceptions/hash_table_exception.h"

namespace morvane {

BufHashTbl::BufHashTbl(int htSize) : HTSIZE(htSize), ht(nullptr) {
  // A count of 0 would make hash() divide by zero; reject it as the array
  // allocation rejects a negative count.
  if (htSize < 1) throw std::bad_array_new_length();
  ht = new hashBucket*[static_cast<std::size_t>(htSize)]();
}

BufHashTbl::~BufHashTbl() {
  for (int i = 0; i < HTSIZE; ++i) {
    while (hashBucket* entry = ht[i]) {
      ht[i] = entry->next;
      delete entry;
    }
  }
  delete[] ht;
}

int BufHashTbl::hash(const File* file, PageId pageNo) const {
  assert(file != nullptr && "a null File* is a caller error");
  const auto addressBits = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(file));
  const std::uint32_t sum = addressBits + pageNo;  // wraps modulo 2^32
  return static_cast<int>(sum % static_cast<std::uint32_t>(HTSIZE));
}

hashBucket** BufHashTbl::findLink(int index, const File* file, PageId pageNo) const {
  hashBucket** link = &ht[index];
  while (*link != nullptr && ((*link)->file != file || (*link)->pageNo != pageNo)) link = &(*link)->next;
  return link;
}

void BufHashTbl::throwNotFound(const File* file, PageId pageNo) {
  throw HashNotFoundException(file->filename(), pageNo);
}

void BufHashTbl::insert(const File* file, PageId pageNo, FrameId frameNo) {
  const int index = hash(file, pageNo);
  if (const hashBucket* present = *findLink(index, file, pageNo)) {
    throw HashAlreadyPresentException(present->file->filename(), present->pageNo, present->frameNo);
  }
  auto* entry = new hashBucket;
  // Unreachable with a conforming allocator, whose throwing new never yields null.
  if (entry == nullptr) throw HashTableException();
  // hashBucket keeps a non-const File*; the table never modifies a File through it.
  entry->file = const_cast<File*>(file);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  entry->pageNo = pageNo;
  entry->frameNo = frameNo;
  entry->next = ht[index];
  ht[index] = entry;
}

void BufHashTbl::lookup(const File* file, PageId pageNo, FrameId& frameNo) {
  const hashBucket* entry = *findLink(hash(file, pageNo), file, pageNo);
  if (entry == nullptr) throwNotFound(file, pageNo);
  frameNo = entry->frameNo;
}

void BufHashTbl::remove(const File* file, PageId pageNo) {
  hashBucket** link = findLink(hash(file, pageNo), file, pageNo);
  hashBucket* entry = *link;
  if (entry == nullptr) throwNotFound(file, pageNo);
  *link = entry->next;
  delete entry;
}

}  // namespace morvane
