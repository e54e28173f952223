// The declarations that callers' code compiles against: which calls are
// allowed on what, which conversions are implicit, what derives from what and
// what each accessor returns. Each is stated as a trait and checked at run
// time, so that a changed declaration fails here, by name, instead of
// breaking some caller's build.

#include <gtest/gtest.h>

#include <cstddef>
#include <exception>
#include <string>
#include <type_traits>
#include <utility>

#include "bufHashTbl.h"
#include "exceptions/bad_buffer_exception.h"
#include "exceptions/insufficient_space_exception.h"
#include "exceptions/invalid_page_exception.h"
#include "exceptions/invalid_record_exception.h"
#include "exceptions/morvane_exception.h"
#include "exceptions/page_pinned_exception.h"
#include "exceptions/slot_in_use_exception.h"

namespace morvane {
namespace {

// A caller may probe a table it holds by const reference, from code that
// must not throw.
template <typename Table>
constexpr bool kTryLookupOnConst = requires(const Table& table, const File* file, FrameId& frame) {
  table.tryLookup(file, 1, frame);
};
template <typename Table>
constexpr bool kTryLookupNoexcept = noexcept(std::declval<Table&>().tryLookup(nullptr, 1, std::declval<FrameId&>()));

TEST(InterfaceTest, TryLookupIsConstAndNoexcept) {
  EXPECT_TRUE(kTryLookupOnConst<BufHashTbl>);
  EXPECT_TRUE(kTryLookupNoexcept<BufHashTbl>);
}

// A caller sizes a table before it has one, from a std::size_t frame count,
// and passes the result straight to the constructor.
TEST(InterfaceTest, BucketCountForIsStaticNoexceptAndGivesAnInt) {
  EXPECT_TRUE((std::is_same_v<decltype(&BufHashTbl::bucketCountFor), int (*)(std::size_t) noexcept>));
}

// Neither copyable nor movable: a copied table would free its entries twice,
// and a copied File would pass for the same open file.
template <typename T>
void expectNeitherCopiedNorMoved() {
  EXPECT_FALSE(std::is_copy_constructible_v<T>);
  EXPECT_FALSE(std::is_copy_assignable_v<T>);
  EXPECT_FALSE(std::is_move_constructible_v<T>);
  EXPECT_FALSE(std::is_move_assignable_v<T>);
}

TEST(InterfaceTest, TableAndFileAreNeitherCopiedNorMoved) {
  {
    SCOPED_TRACE("BufHashTbl");
    expectNeitherCopiedNorMoved<BufHashTbl>();
  }
  {
    SCOPED_TRACE("File");
    expectNeitherCopiedNorMoved<File>();
  }
}

// Whether `T t = {args...};` compiles: copy-list-initialisation, which an
// explicit constructor refuses.
template <typename T>
void takes(T);
template <typename T, typename... Args>
constexpr bool kImplicit = requires(Args... args) {
  takes<T>({args...});
};
template <typename T, typename... Args>
constexpr bool kConstructible = std::is_constructible_v<T, Args...>;

// Callers may write `= {args}` for exactly the implicit constructors.
TEST(InterfaceTest, WhichConstructorsAreExplicit) {
  using Name = const std::string&;
  // Explicit: each names a particular key, frame or text.
  EXPECT_TRUE((kConstructible<MorvaneException, Name>));
  EXPECT_FALSE((kImplicit<MorvaneException, Name>));
  EXPECT_FALSE((kImplicit<HashNotFoundException, Name, PageId>));
  EXPECT_FALSE((kImplicit<HashAlreadyPresentException, Name, PageId, FrameId>));
  EXPECT_FALSE((kImplicit<PagePinnedException, Name, PageId, FrameId>));
  EXPECT_FALSE((kImplicit<BadBufferException, FrameId, bool, bool, bool>));
  EXPECT_FALSE((kImplicit<BufHashTbl, int>));
  // Not explicit.
  EXPECT_TRUE((kImplicit<HashTableException>));
  EXPECT_TRUE((kImplicit<InvalidPageException, PageId, Name>));
  EXPECT_TRUE((kImplicit<InvalidRecordException, const RecordId&, PageId>));
  EXPECT_TRUE((kImplicit<InsufficientSpaceException, PageId, std::size_t, std::size_t>));
  EXPECT_TRUE((kImplicit<SlotInUseException, PageId, SlotId>));
}

template <typename Error>
void expectPublicError() {
  EXPECT_TRUE((std::is_base_of_v<MorvaneException, Error>));
  EXPECT_TRUE((std::is_convertible_v<Error*, MorvaneException*>));  // public, unambiguous
  EXPECT_TRUE((std::is_convertible_v<Error*, std::exception*>));
  EXPECT_TRUE(std::has_virtual_destructor_v<Error>);
}

// A handler catches every error as MorvaneException& or std::exception&, and
// an engine may own errors through base pointers.
TEST(InterfaceTest, EveryErrorIsAPublicMorvaneExceptionWithAVirtualDestructor) {
  EXPECT_TRUE((std::is_convertible_v<MorvaneException*, std::exception*>));
  expectPublicError<HashNotFoundException>();
  expectPublicError<HashAlreadyPresentException>();
  expectPublicError<HashTableException>();
  expectPublicError<PagePinnedException>();
  expectPublicError<BadBufferException>();
  expectPublicError<InvalidPageException>();
  expectPublicError<InvalidRecordException>();
  expectPublicError<InsufficientSpaceException>();
  expectPublicError<SlotInUseException>();
}

// Callers bind the accessors' results to these types (references stay
// references, numbers keep their widths).
TEST(InterfaceTest, AccessorsReturnTheirDeclaredTypes) {
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const MorvaneException&>().message()), const std::string&>));
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const MorvaneException&>().what()), const char*>));
  EXPECT_TRUE(noexcept(std::declval<const MorvaneException&>().what()));
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const File&>().filename()), const std::string&>));
  using Page = InvalidPageException;
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const Page&>().page_number()), PageId>));
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const Page&>().filename()), const std::string&>));
  using Record = InvalidRecordException;
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const Record&>().record_id()), const RecordId&>));
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const Record&>().page_number()), PageId>));
  using Space = InsufficientSpaceException;
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const Space&>().page_number()), PageId>));
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const Space&>().space_requested()), std::size_t>));
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const Space&>().space_available()), std::size_t>));
  using Slot = SlotInUseException;
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const Slot&>().page_number()), PageId>));
  EXPECT_TRUE((std::is_same_v<decltype(std::declval<const Slot&>().slot_number()), SlotId>));
}

// InsufficientSpaceException's accessors are plain members: a derived class
// that declares its own hides them, and a call through the base reads the
// base's fields. (The virtual accessors of the other page and record errors
// are checked with the messages.)
struct HidingSpace : InsufficientSpaceException {
  using InsufficientSpaceException::InsufficientSpaceException;
  PageId page_number() const { return 1; }
  std::size_t space_requested() const { return 1; }
  std::size_t space_available() const { return 1; }
};

TEST(InterfaceTest, InsufficientSpaceAccessorsAreNotVirtual) {
  const HidingSpace hiding(7, 100, 20);
  const InsufficientSpaceException& base = hiding;
  EXPECT_EQ(base.page_number(), 7u);
  EXPECT_EQ(base.space_requested(), 100u);
  EXPECT_EQ(base.space_available(), 20u);
}

}  // namespace
}  // namespace morvane
