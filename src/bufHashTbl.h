#pragma once

#include <cassert>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "exceptions/hash_already_present_exception.h"
#include "exceptions/hash_not_found_exception.h"
#include "exceptions/hash_table_exception.h"
#include "file.h"
#include "types.h"

// The buffer frame table: which buffer frame holds a given page of a given
// open file. A chained hash table with a bucket count fixed at construction;
// it only records mappings and never reads, pins or evicts anything. Brings
// the three errors its operations throw.
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
// Every `file` argument must point to a live File. A null one is a caller
// error, checked by an assert in inline code that the caller compiles, before
// anything else: all four operations stop on it where the caller builds
// without NDEBUG, whatever the library was built with, and with NDEBUG it is
// an unchecked precondition. Each File must outlive the entries recorded for
// it; two File objects are two different keys even when they carry the same
// name.
//
// Every failing operation leaves the table exactly as it was.
class BufHashTbl {
 public:
  // An empty table of `htSize` chains, taken as given: the count decides the
  // table's speed, so pass bucketCountFor(frames) unless you have measured
  // another. Throws std::bad_array_new_length if `htSize` < 1, before
  // allocating anything; std::bad_alloc if the chain array cannot be
  // allocated.
  explicit BufHashTbl(int htSize);

  // Chains per buffer frame in the recommended count. The chain index is
  // (address + page) mod count, so a count that shares a factor with the
  // strides in real keys (page numbers in steps of 16, File addresses in
  // steps of 8 and sizeof(File) apart when allocated together) piles them
  // into a fraction of the chains, and a power of two piles them worst. A
  // prime avoids that, and more chains per frame shorten the chains that
  // remain, with little gain past 4 (docs/performance.md measures both). The
  // cost is one 8-byte chain head per chain: 8 * kChainsPerFrame bytes per
  // frame beside the 32 that each resident page's entry takes from the
  // allocator.
  static constexpr int kChainsPerFrame = 4;

  // The recommended bucket count for a buffer pool of `frames` frames: the
  // smallest prime at least max(2, kChainsPerFrame * frames), or INT_MAX
  // (2^31 - 1, itself prime) where that product would exceed INT_MAX.
  // Allocates nothing; a trial division, meant to be called once per pool.
  static constexpr int bucketCountFor(std::size_t frames) noexcept;
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
  void insert(const File* file, PageId pageNo, FrameId frameNo) {
    requireFile(file);
    insertEntry(file, pageNo, frameNo);
  }

  // Writes the frame recorded for page `pageNo` of `file` into `frameNo`.
  // Throws HashNotFoundException if the key is absent; `frameNo` is then not
  // written.
  void lookup(const File* file, PageId pageNo, FrameId& frameNo);

  // Like lookup, without the exception: returns true and writes `frameNo` if
  // the key is present, returns false and leaves `frameNo` alone if it is not.
  // Prefer it on hot paths where misses are routine (a buffer pool's page
  // table misses on every fault): a thrown miss costs an exception's
  // allocation, throw and unwinding besides the chain walk
  // (docs/performance.md). Use lookup where a miss is a genuine error.
  [[nodiscard]] bool tryLookup(const File* file, PageId pageNo, FrameId& frameNo) const noexcept;

  // Forgets page `pageNo` of `file`.
  // Throws HashNotFoundException if the key is absent.
  void remove(const File* file, PageId pageNo) {
    requireFile(file);
    removeEntry(file, pageNo);
  }

 private:
  friend class BufHashTblPeer;  // the tests' view of the chains

  // The one null-file check of every operation; see the class comment. Inline,
  // so that the caller's NDEBUG decides; in the library's compiled code there
  // is none.
  static void requireFile([[maybe_unused]] const File* file) noexcept {
    // The failing side runs only in a death test's child, which writes no coverage.
    assert(file != nullptr && "a null File* is a caller error");  // GCOVR_EXCL_BR_LINE
  }

  // The chain index of a key: the low 32 bits of the File's address plus
  // `pageNo`, modulo 2^32, then modulo HTSIZE. Always in [0, HTSIZE).
  // Because the address is the key, a File's entries spread over consecutive
  // chains as its page numbers count up. The remainder is taken by
  // remainderOf with the reciprocal kept ahead of the chain heads: a division
  // would sit on every operation's critical path, at a cost that varies
  // widely between processors (docs/performance.md).
  int hash(const File* file, PageId pageNo) const noexcept;

  // ceil(2^64 / count) modulo 2^64, the multiplier of remainderOf; 0 for a
  // count of 1. Requires count >= 1.
  static constexpr std::uint64_t reciprocalOf(std::uint32_t count) noexcept { return UINT64_MAX / count + 1; }

  // sum % count, exactly, by multiplications alone (Lemire, Kaser and Kurz,
  // "Faster remainder by direct computation", 2019): the low 64 bits of
  // sum * reciprocalOf(count) are the fractional part of sum / count, and the
  // bits of that fraction times count above the 64th are the remainder.
  // Requires count >= 1 and reciprocal == reciprocalOf(count).
  static constexpr std::uint32_t remainderOf(std::uint32_t sum, std::uint64_t reciprocal, std::uint32_t count) noexcept;

  // Whether `n` is prime, by trial division; requires n >= 2.
  static constexpr bool isPrime(std::uint32_t n) noexcept;

  // insert and remove past the null-file check; out of line.
  void insertEntry(const File* file, PageId pageNo, FrameId frameNo);
  void removeEntry(const File* file, PageId pageNo);

  // The link that points at the entry for the key in chain `index`, or at the
  // chain's terminating null if the key is absent. The one chain walk that
  // every operation uses.
  hashBucket** findLink(int index, const File* file, PageId pageNo) const noexcept;

  // Throws HashNotFoundException for the key. Kept out of line so that the
  // inlined hit path stays small.
  [[noreturn]] static void throwNotFound(const File* file, PageId pageNo);

  // Invariants: at most one entry per (file, pageNo) in the whole table, and
  // every entry lies in the chain ht[hash(entry->file, entry->pageNo)].
  int HTSIZE;  // number of chains, >= 1, fixed for the table's life
  // HTSIZE chain heads, owned with every entry they reach. They end one
  // block whose first kReciprocalSlots slots hold reciprocalOf(HTSIZE),
  // written once by the constructor and read by hash() with memcpy: the
  // table divides by nothing, yet holds only these two members.
  hashBucket** ht;

  // The slots, each of a chain head's size, ahead of ht[0] that hold
  // reciprocalOf(HTSIZE): as many as 8 bytes need. (The size of a pointer is
  // what is meant, not that of the entry it points to.)
  // NOLINTBEGIN(bugprone-sizeof-expression)
  static constexpr std::size_t kReciprocalSlots = (sizeof(std::uint64_t) + sizeof(*ht) - 1) / sizeof(*ht);
  // NOLINTEND(bugprone-sizeof-expression)
};

constexpr bool BufHashTbl::isPrime(std::uint32_t n) noexcept {
  if (n % 2 == 0) return n == 2;
  if (n % 3 == 0) return n == 3;
  // Every other prime factor is 6k - 1 or 6k + 1. Divisions in 32 bits, the
  // square in 64, where it cannot wrap.
  for (std::uint32_t d = 5; std::uint64_t{d} * d <= n; d += 6) {
    if (n % d == 0 || n % (d + 2) == 0) return false;
  }
  return true;
}

constexpr int BufHashTbl::bucketCountFor(std::size_t frames) noexcept {
  constexpr auto kMaxFrames = static_cast<std::size_t>(INT_MAX / kChainsPerFrame);
  if (frames > kMaxFrames) return INT_MAX;
  // Fits: frames * kChainsPerFrame <= INT_MAX, and the search stops at INT_MAX
  // at the latest, since it is prime.
  auto count = static_cast<std::uint32_t>(frames) * static_cast<std::uint32_t>(kChainsPerFrame);
  if (count < 2) count = 2;
  while (!isPrime(count)) ++count;
  return static_cast<int>(count);
}

constexpr std::uint32_t BufHashTbl::remainderOf(std::uint32_t sum, std::uint64_t reciprocal,
                                                std::uint32_t count) noexcept {
  const std::uint64_t fraction = reciprocal * sum;  // wraps modulo 2^64
  // The top 32 bits of the 96-bit product fraction * count, from its two
  // 32-bit halves, in 64-bit arithmetic on every compiler: the sum of the
  // high half and the low half's carry cannot wrap for any 32-bit count.
  const std::uint64_t low = (fraction & UINT32_MAX) * count;
  const std::uint64_t high = (fraction >> 32) * count;
  return static_cast<std::uint32_t>((high + (low >> 32)) >> 32);
}

// The lookup path is inline: a hit costs no call.

inline int BufHashTbl::hash(const File* file, PageId pageNo) const noexcept {
  const auto addressBits = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(file));
  const std::uint32_t sum = addressBits + pageNo;  // wraps modulo 2^32
  std::uint64_t reciprocal = 0;
  std::memcpy(&reciprocal, ht - kReciprocalSlots, sizeof reciprocal);
  return static_cast<int>(remainderOf(sum, reciprocal, static_cast<std::uint32_t>(HTSIZE)));
}

inline hashBucket** BufHashTbl::findLink(int index, const File* file, PageId pageNo) const noexcept {
  hashBucket** link = &ht[index];
  // One branch per entry: both fields are compared without short-circuit.
  while (*link != nullptr && (((*link)->file != file) | ((*link)->pageNo != pageNo))) link = &(*link)->next;
  return link;
}

inline bool BufHashTbl::tryLookup(const File* file, PageId pageNo, FrameId& frameNo) const noexcept {
  requireFile(file);
  const hashBucket* entry = *findLink(hash(file, pageNo), file, pageNo);
  if (entry == nullptr) return false;
  frameNo = entry->frameNo;
  return true;
}

inline void BufHashTbl::lookup(const File* file, PageId pageNo, FrameId& frameNo) {
  if (!tryLookup(file, pageNo, frameNo)) throwNotFound(file, pageNo);
}

}  // namespace morvane
