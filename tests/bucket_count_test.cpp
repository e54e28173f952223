// The recommended bucket count: the smallest prime at least
// max(2, kChainsPerFrame * frames), capped at INT_MAX.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "bufHashTbl.h"

namespace morvane {
namespace {

constexpr auto kK = static_cast<std::size_t>(BufHashTbl::kChainsPerFrame);

// Primality by dividing by every number up to the root: slow, and sharing
// nothing with the library's search.
bool primeByEveryDivisor(std::uint64_t n) {
  if (n < 2) return false;
  for (std::uint64_t d = 2; d * d <= n; ++d) {
    if (n % d == 0) return false;
  }
  return true;
}

std::uint64_t smallestPrimeFrom(std::uint64_t n) {
  while (!primeByEveryDivisor(n)) ++n;
  return n;
}

TEST(BucketCountForTest, ChainsPerFrameIsAtLeastTwo) {
  EXPECT_GE(BufHashTbl::kChainsPerFrame, 2);
  EXPECT_LE(BufHashTbl::kChainsPerFrame, 5);  // 32 + 8 * K bytes per resident page stays within 80
}

TEST(BucketCountForTest, EqualsTheSieveForEveryFrameCountUpTo300000Chains) {
  constexpr std::size_t kLimit = 300000 + 1000;  // beyond the largest gap after 300,000
  std::vector<bool> composite(kLimit + 1, false);
  for (std::size_t p = 2; p * p <= kLimit; ++p) {
    if (composite[p]) continue;
    for (std::size_t m = p * p; m <= kLimit; m += p) composite[m] = true;
  }
  std::vector<std::uint32_t> nextPrime(kLimit + 1, 0);  // smallest prime >= n, for n >= 2
  std::uint32_t next = 0;
  for (std::size_t n = kLimit; n >= 2; --n) {
    if (!composite[n]) next = static_cast<std::uint32_t>(n);
    nextPrime[n] = next;
  }
  ASSERT_NE(nextPrime[300000], 0u);
  int mismatches = 0;
  for (std::size_t frames = 0; frames <= 300000 / kK; ++frames) {
    const std::size_t atLeast = std::max<std::size_t>(2, kK * frames);
    const int count = BufHashTbl::bucketCountFor(frames);
    if (count != static_cast<int>(nextPrime[atLeast]) && ++mismatches <= 5) {
      ADD_FAILURE() << frames << " frames gave " << count << ", not " << nextPrime[atLeast];
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(BucketCountForTest, Boundaries) {
  EXPECT_EQ(BufHashTbl::bucketCountFor(0), 2);
  EXPECT_EQ(BufHashTbl::bucketCountFor(1), static_cast<int>(smallestPrimeFrom(kK)));
  // The largest frame count whose product fits, and either side of it.
  constexpr std::size_t kLast = INT_MAX / kK;
  for (const std::size_t frames : {kLast - 1, kLast}) {
    EXPECT_EQ(static_cast<std::uint64_t>(BufHashTbl::bucketCountFor(frames)), smallestPrimeFrom(kK * frames))
        << frames << " frames";
  }
  EXPECT_EQ(BufHashTbl::bucketCountFor(kLast + 1), INT_MAX);
  EXPECT_EQ(BufHashTbl::bucketCountFor(static_cast<std::size_t>(INT_MAX)), INT_MAX);
  EXPECT_EQ(BufHashTbl::bucketCountFor(std::numeric_limits<std::size_t>::max()), INT_MAX);
  // Past 2^32 frames, where a product taken in 32 bits would wrap to a small count.
  if constexpr (sizeof(std::size_t) == 8) {
    EXPECT_EQ(BufHashTbl::bucketCountFor(static_cast<std::size_t>(UINT32_MAX) + 2), INT_MAX);
  }
  // The first candidate after 4 * frames is a composite with no factor below
  // 5,000 (5581 * 384773): a division that stops early calls it prime.
  EXPECT_EQ(static_cast<std::uint64_t>(BufHashTbl::bucketCountFor(536854528)), smallestPrimeFrom(kK * 536854528));
  // Candidates that are squares of primes near the root of 2^31, where a
  // test that stops short of the root calls them prime.
  for (const std::uint64_t p : {46337u, 46327u, 46309u}) {
    const auto frames = static_cast<std::size_t>((p * p - 1) / kK);
    EXPECT_EQ(static_cast<std::uint64_t>(BufHashTbl::bucketCountFor(frames)), smallestPrimeFrom(kK * frames))
        << frames << " frames, below " << p << " squared";
  }
}

}  // namespace
}  // namespace morvane
