// Micro-benchmarks of the frame table against std::unordered_map given the
// same hash formula and bucket count, the map under a mixing hash, and (when
// built with abseil) absl::flat_hash_map under absl::Hash and under the
// table's formula. Every benchmark reports `time_per_op`, the time of one
// operation (in seconds in JSON; the console prints it with its unit).

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "buf_hash_tbl_peer.h"
#include "processor.h"
#include "structures.h"

namespace morvane::bench {
namespace {

// `entries` keys spread round-robin over `files` File objects, page numbers
// counting up from 0 within each file. Structures are filled in one random
// order and probed in another, so that neither the probes nor a map's links
// between nodes walk memory in allocation order.
struct Workload {
  Workload(std::size_t entries, std::size_t fileCount) : buckets(bucketsFor(entries)) {
    for (std::size_t f = 0; f < fileCount; ++f) files.emplace_back("file" + std::to_string(f));
    keys.reserve(entries);
    for (std::size_t i = 0; i < entries; ++i)
      keys.push_back({&files[i % fileCount], static_cast<PageId>(i / fileCount)});
    shuffled = keys;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937_64(42));
    insertion = keys;
    std::shuffle(insertion.begin(), insertion.end(), std::mt19937_64(7));
    // Absent keys: the same files, pages past every present one.
    const auto pages = static_cast<PageId>(entries / fileCount + 1);
    for (const Key& key : shuffled) absent.push_back({key.file, key.page + pages});
  }

  template <typename Structure>
  void fill(Structure& structure) const {
    for (const Key& key : insertion) structure.insert(key.file, key.page, key.page);
  }

  std::deque<File> files;
  int buckets;
  std::vector<Key> keys;       // page order
  std::vector<Key> shuffled;   // random order
  std::vector<Key> insertion;  // another random order, in which fill() inserts, as a pool faults pages in
  std::vector<Key> absent;     // random order, none present
};

// Building a workload of a million keys takes longer than measuring it, and
// the benchmark library calls each benchmark several times while it settles
// the iteration count; so workloads, and structures filled from them, are
// built once per process and kept.
const Workload& workload(const benchmark::State& state) {
  static std::map<std::pair<std::int64_t, std::int64_t>, std::unique_ptr<Workload>> cache;
  auto& slot = cache[{state.range(0), state.range(1)}];
  if (!slot) slot = std::make_unique<Workload>(state.range(0), state.range(1));
  return *slot;
}

template <typename Structure>
Structure& filled(const benchmark::State& state) {
  static std::map<std::pair<std::int64_t, std::int64_t>, std::unique_ptr<Structure>> cache;
  auto& slot = cache[{state.range(0), state.range(1)}];
  if (!slot) {
    const Workload& load = workload(state);
    slot = std::make_unique<Structure>(load.buckets);
    load.fill(*slot);
  }
  return *slot;
}

void reportPerOp(benchmark::State& state, std::size_t opsPerIteration) {
  state.counters["time_per_op"] =
      benchmark::Counter(static_cast<double>(opsPerIteration),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <typename Structure, bool kRandomOrder>
void hit(benchmark::State& state) {
  const Workload& load = workload(state);
  Structure& structure = filled<Structure>(state);
  const std::vector<Key>& probes = kRandomOrder ? load.shuffled : load.keys;
  std::size_t i = 0;
  for (auto _ : state) {
    FrameId frame = 0;
    const Key& key = probes[i];
    benchmark::DoNotOptimize(structure.throwingFind(key.file, key.page, frame));
    benchmark::DoNotOptimize(frame);
    if (++i == probes.size()) i = 0;
  }
  reportPerOp(state, 1);
}

// A miss through the structure's reporting path: the table's lookup throws.
template <typename Structure, bool kThrowing>
void miss(benchmark::State& state) {
  const Workload& load = workload(state);
  Structure& structure = filled<Structure>(state);
  std::size_t i = 0;
  for (auto _ : state) {
    FrameId frame = 0;
    const Key& key = load.absent[i];
    if constexpr (kThrowing) {
      benchmark::DoNotOptimize(structure.throwingFind(key.file, key.page, frame));
    } else {
      benchmark::DoNotOptimize(structure.find(key.file, key.page, frame));
    }
    if (++i == load.absent.size()) i = 0;
  }
  reportPerOp(state, 1);
}

template <typename Structure>
void insert(benchmark::State& state) {
  const Workload& load = workload(state);
  for (auto _ : state) {
    state.PauseTiming();
    {
      Structure structure(load.buckets);
      state.ResumeTiming();
      for (const Key& key : load.shuffled) structure.insert(key.file, key.page, key.page);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  reportPerOp(state, load.keys.size());
}

template <typename Structure>
void remove(benchmark::State& state) {
  const Workload& load = workload(state);
  Structure structure(load.buckets);
  for (auto _ : state) {
    state.PauseTiming();
    load.fill(structure);
    state.ResumeTiming();
    for (const Key& key : load.shuffled) structure.remove(key.file, key.page);
  }
  reportPerOp(state, load.keys.size());
}

// Heap bytes in use: small blocks plus those glibc maps on their own (a large
// bucket or slot array).
std::size_t heapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Heap bytes per entry of a structure holding state.range(0) entries, bucket
// array and allocator overhead included.
template <typename Structure>
void bytesPerEntry(benchmark::State& state) {
  const Workload& load = workload(state);
  for (auto _ : state) {
    const std::size_t before = heapBytes();
    Structure structure(load.buckets);
    load.fill(structure);
    const std::size_t after = heapBytes();
    state.counters["bytes_per_entry"] = static_cast<double>(after - before) / static_cast<double>(load.keys.size());
  }
}

// Baselines for the cost of a throwing miss: throwing and catching an empty
// std::exception one call level up, and an error whose message is composed
// with a string stream as the table's errors could have been.
[[gnu::noinline]] void throwEmpty() { throw std::exception(); }

class StreamComposedError : public std::exception {
 public:
  StreamComposedError(const std::string& name, PageId page) {
    std::stringstream text;
    text << "The hash value is not present in the hash table for file: " << name << "page: " << page;
    message_ = text.str();
  }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

[[gnu::noinline]] void throwStreamComposed(const File& file, PageId page) {
  throw StreamComposedError(file.filename(), page);
}

[[gnu::noinline]] bool catchEmpty() {
  try {
    throwEmpty();
  } catch (const std::exception& error) {
    benchmark::DoNotOptimize(&error);
  }
  return false;
}

void throwEmptyException(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(catchEmpty());
  reportPerOp(state, 1);
}

[[gnu::noinline]] bool catchStreamComposed(const File& file, PageId page) {
  try {
    throwStreamComposed(file, page);
  } catch (const StreamComposedError& error) {
    benchmark::DoNotOptimize(&error);
  }
  return false;
}

void throwStreamComposedException(benchmark::State& state) {
  const File file("file0");
  PageId page = 1;
  for (auto _ : state) benchmark::DoNotOptimize(catchStreamComposed(file, page++));
  reportPerOp(state, 1);
}

void sizes(benchmark::internal::Benchmark* b) {
  for (const long files : {1, 8}) {
    for (const long entries : {1L << 10, 1L << 16, 1L << 20}) b->Args({entries, files});
  }
  b->ArgNames({"entries", "files"});
}

template <typename S>
void hitRandom(benchmark::State& state) {
  hit<S, true>(state);
}
template <typename S>
void hitPageOrder(benchmark::State& state) {
  hit<S, false>(state);
}
// The table's lookup throws on a miss; the maps' find just returns.
template <typename S>
void missLookup(benchmark::State& state) {
  miss<S, true>(state);
}
// The table's tryLookup; the maps' find.
template <typename S>
void missFind(benchmark::State& state) {
  miss<S, false>(state);
}

#ifdef MORVANE_BENCH_WITH_ABSL
#define MORVANE_COMPARE_ABSL(name, apply)          \
  BENCHMARK_TEMPLATE(name, AbslMap)->Apply(apply); \
  BENCHMARK_TEMPLATE(name, AbslSameMap)->Apply(apply)
#else
#define MORVANE_COMPARE_ABSL(name, apply) static_assert(true)
#endif

#define MORVANE_COMPARE(name, apply)               \
  BENCHMARK_TEMPLATE(name, Table)->Apply(apply);   \
  BENCHMARK_TEMPLATE(name, SameMap)->Apply(apply); \
  BENCHMARK_TEMPLATE(name, MixMap)->Apply(apply);  \
  MORVANE_COMPARE_ABSL(name, apply)

void memorySizes(benchmark::internal::Benchmark* b) {
  for (const long files : {1, 8}) b->Args({1L << 10, files})->Args({1L << 20, files});
  b->ArgNames({"entries", "files"})->Iterations(1);
}

MORVANE_COMPARE(hitRandom, sizes);
MORVANE_COMPARE(hitPageOrder, sizes);
MORVANE_COMPARE(missLookup, sizes);
MORVANE_COMPARE(missFind, sizes);
MORVANE_COMPARE(insert, sizes);
MORVANE_COMPARE(remove, sizes);
MORVANE_COMPARE(bytesPerEntry, memorySizes);
BENCHMARK(throwEmptyException);
BENCHMARK(throwStreamComposedException);

// The recommended bucket count at a small pool, at the frame count whose
// search makes the most divisions (found by morvane_bucket_count_worst), and
// at the cap, INT_MAX itself, which is tested in full.
void bucketCountFor(benchmark::State& state) {
  const auto frames = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(BufHashTbl::bucketCountFor(frames));
  reportPerOp(state, 1);
}
BENCHMARK(bucketCountFor)->Arg(1000)->Arg(503772975)->Arg(536870911)->ArgName("frames");

// The chain index's remainder alone, as the table takes it (by its reciprocal)
// and as a division would: what a division costs differs widely between
// processors, and this shows it on the reader's. The sums are the table's:
// the low address bits of 19 Files allocated together plus page numbers below
// 2^20, 85% of them multiples of 16; the counts are the recommended ones for
// pools of 1%, 10% and 30% of the shipped trace. In the latency runs each sum
// is offset by the previous index, so that each remainder waits for the one
// before, as a chain walk waits for its index; in the throughput runs they
// are independent.
struct Division {
  static int index(const BufHashTbl& table, const File* file, PageId page) {
    const std::uint32_t sum = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(file)) + page;
    return static_cast<int>(sum % static_cast<std::uint32_t>(BufHashTblPeer::bucketCount(table)));
  }
};

struct Reciprocal {
  static int index(const BufHashTbl& table, const File* file, PageId page) {
    return BufHashTblPeer::hash(table, file, page);
  }
};

template <typename Remainder, bool kDependent>
void remainder(benchmark::State& state) {
  static const std::deque<File> files = [] {
    std::deque<File> made;
    for (int f = 0; f < 19; ++f) made.emplace_back("file" + std::to_string(f));
    return made;
  }();
  static const std::vector<Key> keys = [] {
    std::mt19937 random(20261210);
    std::vector<Key> made(4096);
    for (Key& key : made) {
      const auto page = static_cast<PageId>(random() % (1 << 20));
      key = {&files[random() % files.size()], random() % 100 < 85 ? page & ~PageId{15} : page};
    }
    return made;
  }();
  const BufHashTbl table(static_cast<int>(state.range(0)));
  int index = 0;
  long total = 0;
  for (auto _ : state) {
    for (const Key& key : keys) {
      if constexpr (kDependent) {
        index = Remainder::index(table, key.file, key.page + static_cast<PageId>(index));
      } else {
        total += Remainder::index(table, key.file, key.page);
      }
    }
    benchmark::DoNotOptimize(index);
    benchmark::DoNotOptimize(total);
  }
  reportPerOp(state, keys.size());
}

template <typename R>
void remainderLatency(benchmark::State& state) {
  remainder<R, true>(state);
}
template <typename R>
void remainderThroughput(benchmark::State& state) {
  remainder<R, false>(state);
}
void remainderCounts(benchmark::internal::Benchmark* b) { b->Arg(3061)->Arg(30539)->Arg(91621)->ArgName("count"); }
BENCHMARK_TEMPLATE(remainderLatency, Division)->Apply(remainderCounts);
BENCHMARK_TEMPLATE(remainderLatency, Reciprocal)->Apply(remainderCounts);
BENCHMARK_TEMPLATE(remainderThroughput, Division)->Apply(remainderCounts);
BENCHMARK_TEMPLATE(remainderThroughput, Reciprocal)->Apply(remainderCounts);

}  // namespace
}  // namespace morvane::bench

// The processor goes into the output's context, since every figure holds for
// it alone.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("processor", morvane::bench::processorName());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
