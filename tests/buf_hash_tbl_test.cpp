#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "bufHashTbl.h"  // alone brings the errors it throws
#include "buf_hash_tbl_peer.h"

namespace morvane {
namespace {

constexpr FrameId kUntouched = 0xDEADBEEF;
constexpr PageId kMaxPage = std::numeric_limits<PageId>::max();

// The remainder by the reciprocal against the division it replaces, for
// counts up to INT_MAX, far more than any table here could be built with: at
// 0, 2^32 - 1, either side of 2^31, and either side of the first and the last
// 64 multiples of the count below 2^32, where a remainder that is off by a
// little goes wrong, and at random sums.
TEST(BufHashTblRemainderTest, EqualsTheDivisionRemainderForCountsUpToIntMax) {
  std::mt19937 random(20261210);
  std::vector<std::uint32_t> counts = {1,        2,          3,          5,          7,         11,
                                       13,       1000,       65521,      65537,      100003,    1000003,
                                       33554393, 2147483587, 2147483629, 2147483646, 2147483647};
  for (int bits = 1; bits <= 30; ++bits) {
    const std::uint32_t power = std::uint32_t{1} << bits;
    counts.insert(counts.end(), {power - 1, power, power + 1});
  }
  for (int i = 0; i < 200; ++i) counts.push_back(1 + static_cast<std::uint32_t>(random() % INT_MAX));
  int mismatches = 0;
  for (const std::uint32_t count : counts) {
    const std::uint64_t reciprocal = BufHashTblPeer::reciprocalOf(count);
    std::vector<std::uint32_t> sums = {0, 1, 0x7FFFFFFF, 0x80000000, 0x80000001, UINT32_MAX - 1, UINT32_MAX};
    const std::uint64_t multiples = UINT32_MAX / count;
    for (std::uint64_t k = 1; k <= multiples; k = k == 64 && multiples > 128 ? multiples - 63 : k + 1) {
      const auto multiple = static_cast<std::uint32_t>(k * count);
      sums.insert(sums.end(), {multiple - 1, multiple, multiple + 1});
    }
    for (int i = 0; i < 200; ++i) sums.push_back(static_cast<std::uint32_t>(random()));
    for (const std::uint32_t sum : sums) {
      const std::uint32_t remainder = BufHashTblPeer::remainderOf(sum, reciprocal, count);
      if (remainder != sum % count && ++mismatches <= 5) {
        ADD_FAILURE() << sum << " % " << count << " gave " << remainder << ", not " << sum % count;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  // The reciprocal is ceil(2^64 / count), wrapping to 0 for a count of 1.
  EXPECT_EQ(BufHashTblPeer::reciprocalOf(1), 0u);
  EXPECT_EQ(BufHashTblPeer::reciprocalOf(2), std::uint64_t{1} << 63);
  EXPECT_EQ(BufHashTblPeer::reciprocalOf(3), 0x5555555555555556u);
  EXPECT_EQ(BufHashTblPeer::reciprocalOf(0x7FFFFFFF), 0x200000005u);
}

// Turns the table's answers into plain values.
class BufHashTblTest : public ::testing::Test {
 protected:
  // The frame recorded for the key, or kUntouched if lookup threw (and left
  // its output alone). Checks that tryLookup gives the same answer.
  static FrameId frameOf(BufHashTbl& table, const File& file, PageId page) {
    FrameId frame = kUntouched;
    try {
      table.lookup(&file, page, frame);
    } catch (const HashNotFoundException&) {
      EXPECT_EQ(frame, kUntouched) << "lookup wrote its output on a miss";
    }
    FrameId probed = kUntouched;
    EXPECT_EQ(table.tryLookup(&file, page, probed), frame != kUntouched);
    EXPECT_EQ(probed, frame) << "tryLookup disagrees with lookup";
    return frame;
  }

  // The message of the error that `operation` throws, caught as a
  // MorvaneException as callers catch it; fails unless it is an `Error`.
  template <typename Error, typename Operation>
  static std::string messageOf(Operation&& operation) {
    try {
      operation();
    } catch (const MorvaneException& error) {
      EXPECT_NE(dynamic_cast<const Error*>(&error), nullptr) << "another error: " << error.what();
      return error.message();
    } catch (...) {
      ADD_FAILURE() << "an error that is not a MorvaneException";
      return {};
    }
    ADD_FAILURE() << "no error thrown";
    return {};
  }

  File relA_{"relA"};
  File relB_{"relB"};
};

TEST_F(BufHashTblTest, InsertLookupAndRemove) {
  BufHashTbl table(7);
  table.insert(&relA_, 3, 7);
  EXPECT_EQ(frameOf(table, relA_, 3), 7u);
  EXPECT_EQ(frameOf(table, relA_, 4), kUntouched);
  EXPECT_EQ(frameOf(table, relB_, 3), kUntouched);

  table.remove(&relA_, 3);
  EXPECT_EQ(frameOf(table, relA_, 3), kUntouched);
  EXPECT_EQ(messageOf<HashNotFoundException>([&] { table.remove(&relA_, 3); }),
            "The hash value is not present in the hash table for file: relApage: 3");

  table.insert(&relA_, 3, 11);  // a removed key can be recorded again
  EXPECT_EQ(frameOf(table, relA_, 3), 11u);
}

TEST_F(BufHashTblTest, DuplicateInsertNamesTheRecordedFrameAndKeepsIt) {
  BufHashTbl table(7);
  table.insert(&relA_, 3, 7);
  EXPECT_EQ(messageOf<HashAlreadyPresentException>([&] { table.insert(&relA_, 3, 9); }),
            "Entry corresponding to the hash value of file:relApage:3frame:7is already present in the hash table.");
  EXPECT_EQ(frameOf(table, relA_, 3), 7u);
}

TEST_F(BufHashTblTest, MissesNameTheArgumentFileAndPage) {
  BufHashTbl table(7);
  table.insert(&relA_, 12, 1);
  FrameId frame = kUntouched;
  EXPECT_EQ(messageOf<HashNotFoundException>([&] { table.lookup(&relB_, 12, frame); }),
            "The hash value is not present in the hash table for file: relBpage: 12");
  EXPECT_EQ(frame, kUntouched);
  EXPECT_EQ(messageOf<HashNotFoundException>([&] { table.remove(&relA_, kMaxPage); }),
            "The hash value is not present in the hash table for file: relApage: 4294967295");
  EXPECT_EQ(frameOf(table, relA_, 12), 1u);
}

TEST_F(BufHashTblTest, FilesAreKeyedByAddressNotName) {
  File twin("relA");
  BufHashTbl table(1);
  table.insert(&relA_, 5, 1);
  table.insert(&twin, 5, 2);
  EXPECT_EQ(frameOf(table, relA_, 5), 1u);
  EXPECT_EQ(frameOf(table, twin, 5), 2u);
  table.remove(&twin, 5);
  EXPECT_EQ(frameOf(table, relA_, 5), 1u);
  EXPECT_EQ(frameOf(table, twin, 5), kUntouched);
}

TEST_F(BufHashTblTest, SingleChainRemovesHeadMiddleAndTail) {
  // Entries go to the front of the chain, so page 0 is the tail and page 4
  // the head; each removal must leave the other four reachable.
  for (const PageId victim : {PageId{4}, PageId{2}, PageId{0}}) {
    BufHashTbl table(1);
    for (PageId page = 0; page < 5; ++page) table.insert(&relA_, page, page + 100);
    table.remove(&relA_, victim);
    for (PageId page = 0; page < 5; ++page) {
      EXPECT_EQ(frameOf(table, relA_, page), page == victim ? kUntouched : page + 100)
          << "page " << page << " after removing " << victim;
    }
  }
}

TEST_F(BufHashTblTest, PageNumbersThatWrapTheHashStayInRange) {
  // The page numbers run past 2^32 once added to any address, and past 2^31,
  // where a signed remainder would go negative.
  for (const int buckets : {1, 2, 7, 1000, 65536}) {
    BufHashTbl table(buckets);
    for (PageId k = 0; k < 64; ++k) table.insert(&relA_, kMaxPage - k, k);
    table.insert(&relB_, kMaxPage, 99);
    for (PageId k = 0; k < 64; ++k) EXPECT_EQ(frameOf(table, relA_, kMaxPage - k), k);
    EXPECT_EQ(frameOf(table, relB_, kMaxPage), 99u);
    for (PageId k = 0; k < 64; k += 2) table.remove(&relA_, kMaxPage - k);
    for (PageId k = 0; k < 64; ++k) EXPECT_EQ(frameOf(table, relA_, kMaxPage - k), k % 2 ? k : kUntouched);
  }
}

// The chain that the table's definition assigns to a key: the low 32 address
// bits plus the page, modulo 2^32, modulo the bucket count.
std::uint32_t addressBits(const File& file) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&file));
}

int chainOf(const File& file, PageId page, int buckets) {
  return static_cast<int>((addressBits(file) + page) % static_cast<std::uint32_t>(buckets));
}

// Two files whose addresses differ above bit 16, in the part of the low 32
// address bits that allocators often leave equal.
struct FarApartFiles {
  File near{"near"};
  char gap[0x10000];
  File far{"far"};
};

TEST_F(BufHashTblTest, EachEntryLiesInItsKeysChainNewestFirst) {
  using Entry = BufHashTblPeer::Entry;
  const auto files = std::make_unique<FarApartFiles>();
  // Small counts give long chains; 100,003 (prime) puts indices near the end
  // of a large array; 6 and 100,002 are even counts that are not powers of
  // two, where dividing by another count than HTSIZE picks a chain past the
  // array.
  for (const int buckets : {1, 2, 6, 7, 64, 100002, 100003}) {
    SCOPED_TRACE(buckets);
    BufHashTbl table(buckets);
    ASSERT_EQ(BufHashTblPeer::bucketCount(table), buckets);
    std::map<int, std::vector<Entry>> expected;  // chain -> entries, head first
    std::size_t entries = 0;
    auto record = [&](const File& file, PageId page, FrameId frame) {
      FrameId present = 0;
      if (table.tryLookup(&file, page, present)) return;  // two extremes can name one key
      table.insert(&file, page, frame);
      const int chain = chainOf(file, page, buckets);
      EXPECT_EQ(BufHashTblPeer::hash(table, &file, page), chain) << "page " << page;
      auto& list = expected[chain];
      list.insert(list.begin(), Entry{&file, page, frame});
      ++entries;
    };
    for (PageId page = 0; page < 40; ++page) record(files->near, page, page + 1000);
    for (PageId k = 0; k < 40; ++k) record(files->far, kMaxPage - k, k);  // the sums wrap past 2^32
    // Pages that put the sum of address bits and page at the remainder's
    // edges: 0, HTSIZE - 1, HTSIZE, either side of 2^31, the largest multiple
    // of HTSIZE below 2^32 and the sum just below it (the largest index at the
    // largest quotient), and 2^32 - 1.
    const auto n = static_cast<std::uint32_t>(buckets);
    const std::uint32_t lastMultiple = UINT32_MAX / n * n;
    for (const File* file : {&files->near, &files->far}) {
      for (const std::uint32_t sum :
           {0u, n - 1, n, 0x7FFFFFFFu, 0x80000000u, lastMultiple - 1, lastMultiple, UINT32_MAX}) {
        record(*file, sum - addressBits(*file), 7);
      }
    }
    auto expectLayout = [&] {
      std::size_t seen = 0;
      for (int chain = 0; chain < buckets; ++chain) {
        const std::vector<Entry> actual = BufHashTblPeer::chain(table, chain);
        const auto found = expected.find(chain);
        EXPECT_EQ(actual, found == expected.end() ? std::vector<Entry>{} : found->second) << "chain " << chain;
        seen += actual.size();
      }
      EXPECT_EQ(seen, entries);
    };
    expectLayout();
    // A removal takes out exactly its entry and keeps the others' order.
    table.remove(&files->near, 20);
    table.insert(&files->near, 20, 5);
    auto& chain = expected[chainOf(files->near, 20, buckets)];
    std::erase(chain, Entry{&files->near, 20, 1020});
    chain.insert(chain.begin(), Entry{&files->near, 20, 5});
    expectLayout();
  }
}

// Each table keeps the reciprocal of its count ahead of its chain heads; the
// chain it gives a key must be the plain remainder of the key's sum at every
// kind of count: one chain, two, powers of two, primes (the recommended counts
// for pools of 1%, 10% and 30% of the shipped trace among them) and a prime
// near 2^25. The sums: 0, either side of the count and of its largest multiple
// below 2^32, either side of 2^31, 2^32 - 1, and random ones.
TEST_F(BufHashTblTest, ChainIndexIsThePlainRemainderAtEveryCount) {
  std::mt19937 random(20261210);
  for (const int buckets : {1, 2, 3, 4, 7, 8, 769, 1024, 3061, 30539, 65536, 91621, 1048576, 33554393}) {
    SCOPED_TRACE(buckets);
    const BufHashTbl table(buckets);
    const auto n = static_cast<std::uint32_t>(buckets);
    const std::uint32_t lastMultiple = UINT32_MAX / n * n;
    std::vector<std::uint32_t> sums = {
        0, 1, n - 1, n, n + 1, 2 * n - 1, 2 * n, 0x7FFFFFFF, 0x80000000, lastMultiple - 1, lastMultiple, UINT32_MAX};
    for (int i = 0; i < 1000; ++i) sums.push_back(static_cast<std::uint32_t>(random()));
    int mismatches = 0;
    for (const std::uint32_t sum : sums) {
      const int chain = BufHashTblPeer::hash(table, &relA_, sum - addressBits(relA_));
      if (chain != static_cast<int>(sum % n) && ++mismatches <= 5) {
        ADD_FAILURE() << "sum " << sum << " gave chain " << chain << ", not " << sum % n;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_F(BufHashTblTest, RejectsBucketCountsBelowOne) {
  EXPECT_THROW(BufHashTbl(0), std::bad_array_new_length);
  EXPECT_THROW(BufHashTbl(-1), std::bad_array_new_length);
  EXPECT_THROW(BufHashTbl{std::numeric_limits<int>::min()}, std::bad_alloc);
}

// The caller's own build decides: each operation asserts in inline code, so
// the table stops on a null file before it hashes, allocates or throws.
TEST_F(BufHashTblTest, EveryOperationAssertsANullFile) {
#ifdef NDEBUG
  GTEST_SKIP() << "built with NDEBUG: the null-File assert is compiled out";
#endif
  BufHashTbl table(3);
  FrameId frame = 0;
  EXPECT_DEATH(table.insert(nullptr, 1, 1), "null File");
  EXPECT_DEATH(table.remove(nullptr, 1), "null File");
  EXPECT_DEATH(table.lookup(nullptr, 1, frame), "null File");
  EXPECT_DEATH((void)table.tryLookup(nullptr, 1, frame), "null File");
}

// An engine's file class, owned through File pointers: destroying it through
// one must run its own destructor and free what it holds.
TEST_F(BufHashTblTest, DerivedFileIsDestroyedThroughAFilePointer) {
  class PagedFile : public File {
   public:
    PagedFile(std::string name, bool& destroyed) : File(std::move(name)), destroyed_(destroyed) {}
    ~PagedFile() { destroyed_ = true; }  // not `override`: a File without a virtual destructor must still compile

   private:
    std::vector<char> page_ = std::vector<char>(8192);  // heap that only the derived destructor frees
    bool& destroyed_;
  };
  EXPECT_TRUE(std::has_virtual_destructor_v<File>);
  bool destroyed = false;
  {
    std::unique_ptr<File> file = std::make_unique<PagedFile>("orders.db", destroyed);
    BufHashTbl table(7);
    table.insert(file.get(), 3, 1);
    EXPECT_EQ(frameOf(table, *file, 3), 1u);
    table.remove(file.get(), 3);
  }
  EXPECT_TRUE(destroyed);
}

TEST_F(BufHashTblTest, AgreesWithAMapOverRandomOperations) {
  std::deque<File> files;
  for (int i = 0; i < 4; ++i) files.emplace_back(i < 2 ? "same" : "file" + std::to_string(i));
  std::mt19937 random(20261208);
  for (const int buckets : {1, 3, 64}) {
    BufHashTbl table(buckets);
    std::map<std::pair<const File*, PageId>, FrameId> model;
    for (int step = 0; step < 20000; ++step) {
      const File& file = files[random() % files.size()];
      const PageId page = random() % 3 == 0 ? kMaxPage - random() % 8 : random() % 64;
      const auto key = std::make_pair(&file, page);
      const auto found = model.find(key);
      switch (random() % 3) {
        case 0: {
          const FrameId frame = random() % 1000000;
          if (found == model.end()) {
            table.insert(&file, page, frame);
            model.emplace(key, frame);
          } else {
            EXPECT_THROW(table.insert(&file, page, frame), HashAlreadyPresentException);
          }
          break;
        }
        case 1:
          EXPECT_EQ(frameOf(table, file, page), found == model.end() ? kUntouched : found->second);
          break;
        default:
          if (found == model.end()) {
            EXPECT_THROW(table.remove(&file, page), HashNotFoundException);
          } else {
            table.remove(&file, page);
            model.erase(found);
          }
      }
    }
    for (const auto& [key, frame] : model) EXPECT_EQ(frameOf(table, *key.first, key.second), frame);
  }
}

}  // namespace
}  // namespace morvane
