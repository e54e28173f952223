// Out-of-memory at every allocation point. This executable replaces the
// global allocation functions with counting ones that fail the Nth
// allocation made while a FailingAllocations scope is open; each operation is
// retried with N = 1, 2, ... until it completes without an injected failure.
// At every N the failure must reach the caller as std::bad_alloc, the table
// must hold exactly what it held before, and nothing may leak.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <new>
#include <string>
#include <utility>

#include "bufHashTbl.h"
#include "exceptions/bad_buffer_exception.h"
#include "exceptions/hash_already_present_exception.h"
#include "exceptions/hash_not_found_exception.h"
#include "exceptions/hash_table_exception.h"
#include "exceptions/insufficient_space_exception.h"
#include "exceptions/invalid_page_exception.h"
#include "exceptions/invalid_record_exception.h"
#include "exceptions/page_pinned_exception.h"
#include "exceptions/slot_in_use_exception.h"

namespace {

long g_live = 0;          // blocks allocated and not yet released
long g_allocations = 0;   // allocations attempted, failed ones included
long g_countdown = 0;     // 0: no injection; else the allocation that fails counts down to 1
bool g_injected = false;  // whether the current scope has failed an allocation

void* allocate(std::size_t size, bool nothrow) {
  ++g_allocations;
  if (g_countdown > 0 && --g_countdown == 0) {
    g_injected = true;
    if (nothrow) return nullptr;
    throw std::bad_alloc();
  }
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) {
    if (nothrow) return nullptr;
    throw std::bad_alloc();
  }
  ++g_live;
  return block;
}

void release(void* block) noexcept {
  if (block == nullptr) return;
  --g_live;
  std::free(block);
}

// Fails the `n`th allocation made while the scope is open.
class FailingAllocations {
 public:
  explicit FailingAllocations(long n) {
    g_countdown = n;
    g_injected = false;
  }
  ~FailingAllocations() { g_countdown = 0; }
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
  static bool injected() { return g_injected; }
};

}  // namespace

void* operator new(std::size_t size) { return allocate(size, false); }
void* operator new[](std::size_t size) { return allocate(size, false); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, true); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, true); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }

namespace morvane {
namespace {

using Model = std::map<std::pair<const File*, PageId>, FrameId>;

// Runs `operation` with N = 1, 2, ... failing allocations until it runs
// without one; returns how many allocation points it had. At each point the
// caller must get std::bad_alloc and lose no memory, and `unchanged` checks
// that the operation's object is as it was.
long everyFailurePoint(const std::function<void()>& operation, const std::function<void()>& unchanged) {
  for (long n = 1;; ++n) {
    const long live = g_live;
    bool badAlloc = false;
    bool injected = false;
    {
      const FailingAllocations failing(n);
      try {
        operation();
      } catch (const std::bad_alloc&) {
        badAlloc = true;
      } catch (...) {
      }
      injected = FailingAllocations::injected();
    }
    if (!injected) return n - 1;
    EXPECT_TRUE(badAlloc) << "allocation " << n << " failed but no std::bad_alloc arrived";
    EXPECT_EQ(g_live, live) << "allocation " << n << " failed and memory leaked";
    unchanged();
  }
}

// A table over two files (one with a name long enough to be allocated) with
// a few entries per chain, and the model of what it holds.
class AllocFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (PageId page = 0; page < 12; ++page) {
      for (const File* file : {&shortName_, &longName_}) {
        table_.insert(file, page, page + 100);
        model_[{file, page}] = page + 100;
      }
    }
  }

  // The table answers exactly as the model for every key it holds and for
  // the key under test.
  void expectHoldsModel(const File* file, PageId page) {
    for (const auto& [key, frame] : model_) {
      FrameId found = 0;
      EXPECT_TRUE(table_.tryLookup(key.first, key.second, found));
      EXPECT_EQ(found, frame);
    }
    FrameId found = 0;
    EXPECT_EQ(table_.tryLookup(file, page, found), model_.count({file, page}) == 1);
  }

  File shortName_{"relA"};
  File longName_{"a file name long enough to be allocated"};
  BufHashTbl table_{5};
  Model model_;
};

TEST_F(AllocFailureTest, InsertOfANewKey) {
  const long points =
      everyFailurePoint([&] { table_.insert(&longName_, 40, 7); }, [&] { expectHoldsModel(&longName_, 40); });
  EXPECT_EQ(points, 1);
  model_[{&longName_, 40}] = 7;
  expectHoldsModel(&longName_, 40);
}

TEST_F(AllocFailureTest, FailedOperationsLeaveTheTableAndOutputAlone) {
  FrameId output = 12345;
  auto unchanged = [&] {
    expectHoldsModel(&longName_, 3);
    expectHoldsModel(&longName_, 99);
    EXPECT_EQ(output, 12345u);
  };
  const long live = g_live;
  EXPECT_EQ(everyFailurePoint([&] { table_.insert(&longName_, 3, 9); }, unchanged), 1);
  EXPECT_EQ(everyFailurePoint([&] { table_.lookup(&longName_, 99, output); }, unchanged), 1);
  EXPECT_EQ(everyFailurePoint([&] { table_.remove(&longName_, 99); }, unchanged), 1);
  EXPECT_EQ(g_live, live);
}

TEST_F(AllocFailureTest, TableConstructionAndDestruction) {
  const long live = g_live;
  EXPECT_EQ(everyFailurePoint([] { BufHashTbl table(64); }, [] {}), 1);
  {
    BufHashTbl table(3);
    for (PageId page = 0; page < 10; ++page) table.insert(&shortName_, page, page);
    EXPECT_EQ(g_live, live + 11) << "the chain array and one block per entry";
  }
  EXPECT_EQ(g_live, live) << "destroying a table with entries leaked";
}

TEST_F(AllocFailureTest, RemoveReleasesExactlyItsEntry) {
  const long live = g_live;
  table_.insert(&longName_, 40, 7);
  EXPECT_EQ(g_live, live + 1);
  table_.remove(&longName_, 40);
  EXPECT_EQ(g_live, live);
  table_.remove(&shortName_, 0);  // an older entry, deeper in its chain
  EXPECT_EQ(g_live, live - 1);
}

TEST(AllocFailureTableTest, RejectedBucketCountsAllocateNothing) {
  for (const int count : {0, -1, std::numeric_limits<int>::min()}) {
    const long allocations = g_allocations;
    const long live = g_live;
    EXPECT_ANY_THROW(BufHashTbl{count});
    EXPECT_EQ(g_allocations, allocations) << count;
    EXPECT_EQ(g_live, live) << count;
  }
}

TEST(AllocFailureErrorsTest, EveryConstructor) {
  const std::string name = "a file name long enough to be allocated";
  const RecordId record{2, 65};
  // Every message is longer than any standard library keeps inside a string
  // object (libc++: 22 characters), so each is composed in exactly one
  // allocation. InvalidPageException also copies the name;
  // HashTableException's literal becomes a string that the base then copies.
  struct Constructor {
    const char* label;
    long allocations;
    std::function<void()> construct;
  };
  const Constructor constructors[] = {
      {"HashNotFoundException", 1, [&] { HashNotFoundException error(name, 1); }},
      {"HashAlreadyPresentException", 1, [&] { HashAlreadyPresentException error(name, 1, 2); }},
      {"HashTableException", 2, [] { HashTableException error; }},
      {"PagePinnedException", 1, [&] { PagePinnedException error(name, 1, 2); }},
      {"BadBufferException", 1, [] { BadBufferException error(4294967295, true, false, true); }},
      {"InvalidPageException", 2, [&] { InvalidPageException error(1, name); }},
      {"InvalidRecordException", 1, [&] { InvalidRecordException error(record, 1); }},
      {"InsufficientSpaceException", 1, [] { InsufficientSpaceException error(1, 2, 3); }},
      {"SlotInUseException", 1, [] { SlotInUseException error(1, 2); }},
  };
  for (const auto& [label, allocations, construct] : constructors) {
    SCOPED_TRACE(label);
    const long live = g_live;
    EXPECT_EQ(everyFailurePoint(construct, [] {}), allocations);
    EXPECT_EQ(g_live, live) << "leaked after constructing without a failure";
  }
}

}  // namespace
}  // namespace morvane
