// Every error's message, byte for byte, and the values the errors keep.

#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <limits>
#include <locale>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>

#include "exceptions/bad_buffer_exception.h"
#include "exceptions/hash_already_present_exception.h"
#include "exceptions/hash_not_found_exception.h"
#include "exceptions/hash_table_exception.h"
#include "exceptions/insufficient_space_exception.h"
#include "exceptions/invalid_page_exception.h"
#include "exceptions/invalid_record_exception.h"
#include "exceptions/morvane_exception.h"
#include "exceptions/page_pinned_exception.h"
#include "exceptions/slot_in_use_exception.h"

namespace morvane {
namespace {

constexpr std::uint32_t kMax32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint16_t kMax16 = std::numeric_limits<std::uint16_t>::max();
constexpr std::size_t kMaxSize = std::numeric_limits<std::size_t>::max();
constexpr bool kSize64 = sizeof(std::size_t) == 8;  // else 32-bit
// Byte counts past 2^32 where size_t can hold them, just below its maximum elsewhere.
constexpr std::size_t kBigCount = kSize64 ? static_cast<std::size_t>(5000000000) : kMaxSize - 3;
constexpr std::size_t kBigCount2 = kSize64 ? static_cast<std::size_t>(4294967297) : kMaxSize - 7;

// Throws `error` and returns what a handler of the base class reads.
template <typename Error>
std::string caughtAsBase(const Error& error) {
  try {
    throw error;
  } catch (const MorvaneException& caught) {
    EXPECT_STREQ(caught.what(), caught.message().c_str());
    return caught.message();
  }
}

TEST(MorvaneExceptionTest, KeepsItsMessage) {
  const MorvaneException one_letter("x");
  EXPECT_EQ(one_letter.message(), "x");
  EXPECT_EQ(one_letter.what(), one_letter.message().c_str());
  const MorvaneException empty("");
  EXPECT_EQ(empty.message(), "");
  EXPECT_STREQ(empty.what(), "");
  // Caught as a std::exception (a conversion would not compile were the base
  // not public; a handler simply would not match).
  try {
    throw one_letter;
  } catch (const std::exception& standard) {
    EXPECT_STREQ(standard.what(), "x");
  } catch (...) {
    ADD_FAILURE() << "not caught as a std::exception";
  }
}

TEST(FrameTableErrorsTest, Messages) {
  EXPECT_EQ(caughtAsBase(HashNotFoundException("relA", 12)),
            "The hash value is not present in the hash table for file: relApage: 12");
  EXPECT_EQ(caughtAsBase(HashNotFoundException("", kMax32)),
            "The hash value is not present in the hash table for file: page: 4294967295");
  EXPECT_EQ(caughtAsBase(HashAlreadyPresentException("relA", 4, 2)),
            "Entry corresponding to the hash value of file:relApage:4frame:2is already present in the hash table.");
  EXPECT_EQ(caughtAsBase(HashAlreadyPresentException("", kMax32, kMax32)),
            "Entry corresponding to the hash value of file:page:4294967295frame:4294967295is already present in "
            "the hash table.");
  EXPECT_EQ(caughtAsBase(HashTableException()), "The hash table could not allocate storage for a new entry.");
}

TEST(FrameTableErrorsTest, MessageOutlivesTheCallersName) {
  auto name = std::make_unique<std::string>("a name long enough to live on the heap");
  const HashNotFoundException error(*name, 1);
  name.reset();
  EXPECT_EQ(caughtAsBase(error),
            "The hash value is not present in the hash table for file: a name long enough to live on the heappage: 1");
}

// Expose the protected fields that the frame-table and buffer-side errors keep
// for handlers of their own kind.
struct NotFoundFields : HashNotFoundException {
  using HashNotFoundException::HashNotFoundException;
  const std::string& nameField() const { return name; }
  PageId pageField() const { return pageNo; }
};
struct AlreadyPresentFields : HashAlreadyPresentException {
  using HashAlreadyPresentException::HashAlreadyPresentException;
  const std::string& nameField() const { return name; }
  PageId pageField() const { return pageNo; }
  FrameId frameField() const { return frameNo; }
};
struct PinnedFields : PagePinnedException {
  using PagePinnedException::PagePinnedException;
  const std::string& nameField() const { return name; }
  PageId pageField() const { return pageNo; }
  FrameId frameField() const { return frameNo; }
};
struct BadBufferFields : BadBufferException {
  using BadBufferException::BadBufferException;
  bool flags(bool d, bool v, bool r) const { return dirty == d && valid == v && refbit == r; }
  FrameId frameField() const { return frameNo; }
};

TEST(FrameTableErrorsTest, FieldsKeepTheirArgumentsAndReferToTheName) {
  const std::string name = "relA";
  const NotFoundFields notFound(name, 12);
  EXPECT_EQ(&notFound.nameField(), &name);
  EXPECT_EQ(notFound.pageField(), 12u);
  const AlreadyPresentFields present(name, 4, 2);
  EXPECT_EQ(&present.nameField(), &name);
  EXPECT_EQ(present.pageField(), 4u);
  EXPECT_EQ(present.frameField(), 2u);
}

TEST(BufferPoolErrorsTest, Messages) {
  EXPECT_EQ(caughtAsBase(PagePinnedException("relA", 3, 5)), "This page is already pinned. file:  relApage: 3frame: 5");
  EXPECT_EQ(caughtAsBase(PagePinnedException("", kMax32, 0)),
            "This page is already pinned. file:  page: 4294967295frame: 0");
  EXPECT_EQ(caughtAsBase(BadBufferException(0, false, false, false)), "This buffer is bad: 0");
  EXPECT_EQ(caughtAsBase(BadBufferException(kMax32, true, true, true)), "This buffer is bad: 4294967295");
}

TEST(BufferPoolErrorsTest, FieldsKeepTheirArguments) {
  const std::string name = "relA";
  const PinnedFields pinned(name, 3, 5);
  EXPECT_EQ(&pinned.nameField(), &name);
  EXPECT_EQ(pinned.pageField(), 3u);
  EXPECT_EQ(pinned.frameField(), 5u);
  // Each flag is set alone, and each is clear alone.
  for (const auto& [d, v, r] :
       {std::tuple{true, false, false}, std::tuple{false, true, false}, std::tuple{false, false, true},
        std::tuple{false, true, true}, std::tuple{true, false, true}, std::tuple{true, true, false}}) {
    EXPECT_TRUE(BadBufferFields(77, d, v, r).flags(d, v, r)) << d << v << r;
  }
  EXPECT_EQ(BadBufferFields(77, false, false, true).frameField(), 77u);
}

TEST(PageAndRecordErrorsTest, Messages) {
  EXPECT_EQ(caughtAsBase(InvalidPageException(9, "relA")),
            "Request made for an invalid page. Requested page 9 from file 'relA'");
  EXPECT_EQ(caughtAsBase(InvalidRecordException(RecordId{2, 65}, 3)),
            "Request made for an invalid record. Record {page=2, slot=65} from page 3");
  EXPECT_EQ(caughtAsBase(InvalidRecordException(RecordId{kMax32, kMax16}, 0)),
            "Request made for an invalid record. Record {page=4294967295, slot=65535} from page 0");
  EXPECT_EQ(caughtAsBase(InsufficientSpaceException(7, 100, 20)),
            "Insufficient space in page 7to hold record.  Requested: 100 bytes. Available: 20 bytes.");
  EXPECT_EQ(caughtAsBase(InsufficientSpaceException(0, kMaxSize, kBigCount)),
            kSize64 ? "Insufficient space in page 0to hold record.  Requested: 18446744073709551615 bytes. Available: "
                      "5000000000 bytes."
                    : "Insufficient space in page 0to hold record.  Requested: 4294967295 bytes. Available: "
                      "4294967292 bytes.");
  EXPECT_EQ(caughtAsBase(SlotInUseException(1, 0)),
            "Attempt to insert data to a slot that is currently in use. Page: 1 Slot: 0");
  EXPECT_EQ(caughtAsBase(SlotInUseException(kMax32, kMax16)),
            "Attempt to insert data to a slot that is currently in use. Page: 4294967295 Slot: 65535");
}

TEST(PageAndRecordErrorsTest, AccessorsReturnTheConstructorsArguments) {
  auto name = std::make_unique<std::string>("a name long enough to live on the heap");
  const InvalidPageException page(9, *name);
  name.reset();
  EXPECT_EQ(page.filename(), "a name long enough to live on the heap");
  EXPECT_EQ(page.page_number(), 9u);

  const InvalidRecordException record(RecordId{2, 65}, 3);
  EXPECT_EQ(record.record_id(), (RecordId{2, 65}));
  EXPECT_NE(record.record_id(), (RecordId{2, 66}));
  EXPECT_NE(record.record_id(), (RecordId{3, 65}));
  EXPECT_EQ(record.page_number(), 3u);

  const InsufficientSpaceException space(7, kBigCount, kBigCount2);
  EXPECT_EQ(space.page_number(), 7u);
  EXPECT_EQ(space.space_requested(), kBigCount);
  EXPECT_EQ(space.space_available(), kBigCount2);

  const SlotInUseException slot(kMax32, kMax16);
  EXPECT_EQ(slot.page_number(), kMax32);
  EXPECT_EQ(slot.slot_number(), kMax16);
  // A page whose low 16 bits differ from the slot: each accessor reads its own field.
  const SlotInUseException apart(70000, 3);
  EXPECT_EQ(apart.page_number(), 70000u);
  EXPECT_EQ(apart.slot_number(), 3u);
}

// Handlers may derive from the errors: every virtual accessor dispatches to
// the derived class's version. (No `override` here: a test must still
// compile, and then fail, if an accessor stops being virtual.)
struct RenamedPage : InvalidPageException {
  using InvalidPageException::InvalidPageException;
  PageId page_number() const { return 1; }
  const std::string& filename() const { return renamed_; }
  std::string renamed_ = "renamed";
};
struct RenamedRecord : InvalidRecordException {
  using InvalidRecordException::InvalidRecordException;
  const RecordId& record_id() const { return other_; }
  PageId page_number() const { return 1; }
  RecordId other_{1, 1};
};
struct RenamedSlot : SlotInUseException {
  using SlotInUseException::SlotInUseException;
  PageId page_number() const { return 1; }
  SlotId slot_number() const { return 1; }
};
struct Relabelled : MorvaneException {
  Relabelled() : MorvaneException("base") {}
  const std::string& message() const { return label_; }
  std::string label_ = "derived";
};

TEST(PageAndRecordErrorsTest, VirtualAccessorsDispatchToDerivedClasses) {
  const RenamedPage page(9, "relA");
  const InvalidPageException& pageBase = page;
  EXPECT_EQ(pageBase.page_number(), 1u);
  EXPECT_EQ(pageBase.filename(), "renamed");
  const RenamedRecord record(RecordId{2, 65}, 3);
  const InvalidRecordException& recordBase = record;
  EXPECT_EQ(recordBase.record_id(), (RecordId{1, 1}));
  EXPECT_EQ(recordBase.page_number(), 1u);
  const RenamedSlot slot(9, 8);
  const SlotInUseException& slotBase = slot;
  EXPECT_EQ(slotBase.page_number(), 1u);
  EXPECT_EQ(slotBase.slot_number(), 1u);
  const Relabelled relabelled;
  const MorvaneException& base = relabelled;
  EXPECT_EQ(base.message(), "derived");
  EXPECT_STREQ(base.what(), "base");  // what() reads the stored message
}

// A locale that groups digits in threes, as many national locales do.
struct Grouping : std::numpunct<char> {
  char do_thousands_sep() const override { return ','; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(MessageNumbersTest, PlainDecimalWhateverTheGlobalLocale) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Grouping));
  const std::string grouped_stream_text = (std::ostringstream() << 1234567).str();
  const std::string message = caughtAsBase(InsufficientSpaceException(1234567, 1234567, 0));
  std::locale::global(previous);
  ASSERT_EQ(grouped_stream_text, "1,234,567") << "the locale under test does not group";
  EXPECT_EQ(message,
            "Insufficient space in page 1234567to hold record.  Requested: 1234567 bytes. Available: 0 bytes.");
}

TEST(MessageNumbersTest, DigitsMatchAClassicStreamAcrossEveryLength) {
  for (std::size_t value = 1;; value *= 10) {
    for (const std::size_t n : {value - 1, value, value + 7}) {
      std::ostringstream expected;
      expected.imbue(std::locale::classic());
      expected << "Insufficient space in page 0to hold record.  Requested: " << n << " bytes. Available: " << n
               << " bytes.";
      EXPECT_EQ(caughtAsBase(InsufficientSpaceException(0, n, n)), expected.str());
    }
    if (value > kMaxSize / 10) break;
  }
}

}  // namespace
}  // namespace morvane
