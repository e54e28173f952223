#pragma once

#include <cassert>
#include <cstdint>

#include "file.h"
#include "types.h"

// The buffer frame table: which buffer frame holds a given page of a given
// open file. A chained hash table with a bucket count fixed at construction;
// it only records mappings and never reads, pins or evicts anything.
//
// The table takes no locks. A caller that shares one table between threads
// must serialise every operation on it.

namespace morvane {

// One entry of a chain.
struct hashBucket {
  File* file;        // the file whose page this is; not owned, compared by address only
  PageId pageNo;     // page number within `file`
  FrameId frameNo;   // buffer frame that holds the page
  hashBucket* next;  // next entry of the same chain; null at the end
};

// Maps (File address, page number) to a frame number.
//
// Every `file` argument must point to a live File (asserted non-null). Each
// File must outlive the entries recorded for it; two File objects are two
// different keys even when they carry the same name.
//
// Every failing operation leaves the table exactly as it was.
class BufHashTbl {
 public:
  // An empty table of `htSize` chains.
  // Throws std::bad_array_new_length if `htSize` < 1, before allocating
  // anything; std::bad_alloc if the chain array cannot be allocated.
  explicit BufHashTbl(int htSize);
  // Releases every entry, then the chain array.
  ~BufHashTbl();

  BufHashTbl(const BufHashTbl&) = delete;
  BufHashTbl& operator=(const BufHashTbl&) = delete;
  BufHashTbl(BufHashTbl&&) = delete;
  BufHashTbl& operator=(BufHashTbl&&) = delete;

  // Records that frame `frameNo` holds page `pageNo` of `file`; the entry goes
  // to the front of its chain.
  // Throws HashAlreadyPresentException naming the frame already recorded if
  // the key is present; std::bad_alloc if the entry cannot be allocated. The
  // entry comes from a throwing `new`, which never yields null, so the check
  // that would throw HashTableException is unreachable and compilers may
  // remove it.
  void insert(const File* file, PageId pageNo, FrameId frameNo);

  // Writes the frame recorded for page `pageNo` of `file` into `frameNo`.
  // Throws HashNotFoundException if the key is absent; `frameNo` is then not
  // written.
  void lookup(const File* file, PageId pageNo, FrameId& frameNo);

  // Like lookup, without the exception: returns true and writes `frameNo` if
  // the key is present, returns false and leaves `frameNo` alone if it is not.
  // Prefer it on hot paths where misses are routine (a buffer pool's page
  // table misses on every fault): a thrown miss costs microseconds, this one
  // costs the chain walk. Use lookup where a miss is a genuine error.
  bool tryLookup(const File* file, PageId pageNo, FrameId& frameNo) const noexcept;

  // Forgets page `pageNo` of `file`.
  // Throws HashNotFoundException if the key is absent.
  void remove(const File* file, PageId pageNo);

 private:
  friend class BufHashTblPeer;  // the tests' view of the chains and of the remainder

  // The chain index of a key: the low 32 bits of the File's address plus
  // `pageNo`, modulo 2^32, then modulo HTSIZE. Always in [0, HTSIZE).
  // Because the address is the key, a File's entries spread over consecutive
  // chains as its page numbers count up.
  int hash(const File* file, PageId pageNo) const noexcept;

  // ceil(2^64 / divisor) modulo 2^64, the multiplier of remainderByInverse;
  // 0 for a divisor of 1. Requires divisor >= 1.
  static constexpr std::uint64_t inverseOf(std::uint32_t divisor) noexcept { return UINT64_MAX / divisor + 1; }

  // x % divisor, exactly, by two multiplications instead of a division
  // (Lemire, Kaser and Kurz, "Faster remainder by direct computation", 2019):
  // the low 64 bits of x * inverseOf(divisor) are the fractional part of
  // x / divisor, and the high bits of that fraction times divisor are the
  // remainder. Requires divisor >= 1 and inverse == inverseOf(divisor).
  static std::uint32_t remainderByInverse(std::uint32_t x, std::uint64_t inverse, std::uint32_t divisor) noexcept;

  // The link that points at the entry for the key in chain `index`, or at the
  // chain's terminating null if the key is absent. The one chain walk that
  // every operation uses.
  hashBucket** findLink(int index, const File* file, PageId pageNo) const noexcept;

  // Throws HashNotFoundException for the key. Kept out of line so that the
  // inlined hit path stays small.
  [[noreturn]] static void throwNotFound(const File* file, PageId pageNo);

  // Invariants: at most one entry per (file, pageNo) in the whole table, and
  // every entry lies in the chain ht[hash(entry->file, entry->pageNo)].
  int HTSIZE;                    // number of chains, >= 1, fixed for the table's life
  hashBucket** ht;               // HTSIZE chain heads, owned with every entry they reach
  std::uint64_t divisorInverse;  // inverseOf(HTSIZE), for hash()
};

// The lookup path is inline: a hit costs no call.

inline int BufHashTbl::hash(const File* file, PageId pageNo) const noexcept {
  // The failing side runs only in a death test's child, which writes no coverage.
  assert(file != nullptr && "a null File* is a caller error");  // GCOVR_EXCL_BR_LINE
  const auto addressBits = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(file));
  const std::uint32_t sum = addressBits + pageNo;  // wraps modulo 2^32
  const auto divisor = static_cast<std::uint32_t>(HTSIZE);
#ifdef __SIZEOF_INT128__
  // A 64-bit target, where two multiplications are quicker than a division.
  return static_cast<int>(remainderByInverse(sum, divisorInverse, divisor));
#else
  // A 32-bit target, where one 32-bit division beats a 64-bit product made of
  // several 32-bit ones.
  return static_cast<int>(sum % divisor);
#endif
}

inline std::uint32_t BufHashTbl::remainderByInverse(std::uint32_t x, std::uint64_t inverse,
                                                    std::uint32_t divisor) noexcept {
  const std::uint64_t fraction = inverse * x;  // wraps modulo 2^64
  // The top 32 bits of the 96-bit product fraction * divisor.
#ifdef __SIZEOF_INT128__
  __extension__ using Wide = unsigned __int128;
  return static_cast<std::uint32_t>((static_cast<Wide>(fraction) * divisor) >> 64);
#else
  // From its two partial products; their sum stays below 2^64.
  const std::uint64_t low = (fraction & UINT32_MAX) * divisor;
  const std::uint64_t high = (fraction >> 32) * divisor;
  return static_cast<std::uint32_t>((high + (low >> 32)) >> 32);
#endif
}

inline hashBucket** BufHashTbl::findLink(int index, const File* file, PageId pageNo) const noexcept {
  hashBucket** link = &ht[index];
  // One branch per entry: both fields are compared without short-circuit.
  while (*link != nullptr && (((*link)->file != file) | ((*link)->pageNo != pageNo))) link = &(*link)->next;
  return link;
}

inline bool BufHashTbl::tryLookup(const File* file, PageId pageNo, FrameId& frameNo) const noexcept {
  const hashBucket* entry = *findLink(hash(file, pageNo), file, pageNo);
  if (entry == nullptr) return false;
  frameNo = entry->frameNo;
  return true;
}

inline void BufHashTbl::lookup(const File* file, PageId pageNo, FrameId& frameNo) {
  if (!tryLookup(file, pageNo, frameNo)) throwNotFound(file, pageNo);
}

}  // namespace morvane
