// Finds the frame count for which BufHashTbl::bucketCountFor searches
// longest, by the number of divisions its trial division makes: a segmented
// sieve gives every number below 2^31 its smallest prime factor, from which
// the divisions of each candidate follow exactly. The longest search starts
// at the first multiple of kChainsPerFrame after some prime and runs to the
// next prime; it prints the worst such search and checks that
// bucketCountFor gives that prime. The micro-benchmark `bucketCountFor` times
// the frame count found.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bufHashTbl.h"

namespace {

// The divisions that trial division makes to decide `n`, whose smallest prime
// factor is `factor` (0 for a prime): n % 2, n % 3, then n % d and n % (d + 2)
// for d = 5, 11, 17, ... until one divides n or d * d exceeds n.
std::uint64_t divisions(std::uint64_t n, std::uint64_t factor) {
  if (n % 2 == 0) return 1;
  if (n % 3 == 0) return 2;
  if (factor == 0) {  // a prime: every d up to the root
    auto root = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(n)));
    while (root * root > n) --root;
    while ((root + 1) * (root + 1) <= n) ++root;
    return 2 + 2 * (root >= 5 ? (root - 5) / 6 + 1 : 0);
  }
  return factor % 6 == 5 ? 2 + 2 * ((factor - 5) / 6) + 1 : 2 + 2 * ((factor - 7) / 6 + 1);
}

}  // namespace

int main() {
  constexpr std::uint64_t kLimit = INT_MAX;  // every search ends at INT_MAX, a prime, at the latest
  constexpr std::uint64_t kStep = morvane::BufHashTbl::kChainsPerFrame;
  std::vector<std::uint32_t> primes;  // up to the root of kLimit
  {
    constexpr std::uint32_t kRoot = 46341;
    std::vector<bool> composite(kRoot + 1);
    for (std::uint32_t p = 2; p <= kRoot; ++p) {
      if (composite[p]) continue;
      primes.push_back(p);
      for (std::uint32_t m = p * p; m <= kRoot; m += p) composite[m] = true;
    }
  }
  constexpr std::uint64_t kSegment = 1 << 24;
  std::vector<std::uint32_t> factor(kSegment);           // smallest prime factor, 0 for a prime
  std::uint64_t start = kStep, sum = 0, candidates = 0;  // the search from `start` so far
  std::uint64_t worst = 0, worstStart = 0, worstEnd = 0, worstCandidates = 0;
  for (std::uint64_t low = 0; low <= kLimit; low += kSegment) {
    const std::uint64_t high = std::min(low + kSegment, kLimit + 1);
    std::fill(factor.begin(), factor.end(), 0);
    for (const std::uint64_t p : primes) {
      if (p * p >= high) break;
      for (std::uint64_t m = std::max(p * p, (low + p - 1) / p * p); m < high; m += p) {
        if (factor[m - low] == 0) factor[m - low] = static_cast<std::uint32_t>(p);
      }
    }
    for (std::uint64_t n = std::max<std::uint64_t>(low, 2); n < high; ++n) {
      if (n >= start) {
        sum += divisions(n, factor[n - low]);
        ++candidates;
      }
      if (factor[n - low] != 0) continue;
      if (n >= start && sum > worst) {
        worst = sum;
        worstStart = start;
        worstEnd = n;
        worstCandidates = candidates;
      }
      start = (n / kStep + 1) * kStep;
      sum = 0;
      candidates = 0;
    }
  }
  const std::uint64_t frames = worstStart / kStep;
  const int answer = morvane::BufHashTbl::bucketCountFor(frames);
  std::printf("longest search: bucketCountFor(%llu) tries %llu candidates from %llu to %d, %llu divisions\n",
              static_cast<unsigned long long>(frames), static_cast<unsigned long long>(worstCandidates),
              static_cast<unsigned long long>(worstStart), answer, static_cast<unsigned long long>(worst));
  if (static_cast<std::uint64_t>(answer) != worstEnd) {
    std::printf("bucketCountFor gave %d, not the prime %llu that the sieve found\n", answer,
                static_cast<unsigned long long>(worstEnd));
    return 1;
  }
  return 0;
}
