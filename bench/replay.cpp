// Replays a page-access trace through a small CLOCK buffer pool whose page
// table is, in turn, the frame table (through lookup and its exception, and
// through tryLookup), std::unordered_map under two hashes and, when built with
// abseil, absl::flat_hash_map under two hashes. Checks, access by access, that
// every page table gives the same hit or miss and evicts the same page; then
// times the replays in rounds, each round running every page table once, and
// reports the median time per access and the median over rounds of each page
// table's time relative to the frame table's tryLookup in the same round.
//
//   morvane_replay FRAMES [TRACE] [--chains N] [--sweep] [--rounds N] [--accesses N]
//   morvane_replay FRAMES --synthetic NAME [--chains N] [--sweep] [--rounds N] [--accesses N]
//
// FRAMES is a frame count, or P% for P percent of the trace's distinct pages.
// TRACE holds one access per line, "FILE PAGE" in decimal; without it, or
// with "-", the trace is read from standard input. --synthetic replays a
// generated workload instead (see kSynthetic below). The table has
// BufHashTbl::bucketCountFor(FRAMES) chains, or N with --chains; the maps
// under the table's formula reserve the table's count, as they are defined
// to, the others reserve FRAMES. --sweep times the table alone over chain
// counts from a quarter of FRAMES to 8 times it, primes and powers of two,
// against the recommended count in the same round. --rounds sets the number
// of timed rounds (7). --accesses replays only the first N accesses, the pool
// still sized from the whole trace: a quick check, not a measurement.
//
// Exits 1 if the page tables disagree on any access, 2 on bad usage or input.

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "processor.h"
#include "structures.h"

namespace morvane::bench {
namespace {

constexpr std::uint32_t kMaxFiles = 1 << 16;  // bounds the File objects a trace can ask for
int rounds = 7;                               // timed rounds, --rounds N

struct Access {
  std::uint32_t file;
  PageId page;
};

// What one access did to the pool: hit, or missed and evicted the page of
// `evictedFile` (null when the frame taken was free).
struct Outcome {
  bool hit;
  const File* evictedFile;
  PageId evictedPage;
  bool operator==(const Outcome&) const = default;
};

// Bytes the allocator has handed out and not had back, mapped blocks included.
std::size_t heapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// A CLOCK pool: each frame has a reference bit, set on every access; on a
// miss the hand sweeps, clearing set bits, to the first invalid frame or
// frame whose bit is clear, which takes the new page.
template <typename PageTable, bool kThrowingLookup>
class ClockPool {
 public:
  // `sizing` is what the page table is built with: its chain count, or the
  // entries a map reserves.
  ClockPool(std::size_t frameCount, int sizing) : frames_(frameCount), heapBefore_(heapInUse()), table_(sizing) {}

  Outcome access(const File* file, PageId page) {
    FrameId frame = 0;
    const bool hit = kThrowingLookup ? table_.throwingFind(file, page, frame) : table_.find(file, page, frame);
    if (hit) {
      frames_[frame].refbit = true;
      return {true, nullptr, 0};
    }
    while (frames_[hand_].valid && frames_[hand_].refbit) {
      frames_[hand_].refbit = false;
      advance();
    }
    Frame& victim = frames_[hand_];
    Outcome outcome{false, nullptr, 0};
    if (victim.valid) {
      table_.remove(victim.file, victim.page);
      outcome = {false, victim.file, victim.page};
    }
    table_.insert(file, page, static_cast<FrameId>(hand_));
    victim = {file, page, true, true};
    advance();
    return outcome;
  }

  // Heap the page table holds now beyond what was in use just before it was
  // built (the frames, the trace and the Files were there already).
  std::size_t tableHeap() const { return heapInUse() - heapBefore_; }
  std::size_t validFrames() const {
    return static_cast<std::size_t>(
        std::count_if(frames_.begin(), frames_.end(), [](const Frame& f) { return f.valid; }));
  }
  std::size_t bucketCount() const { return table_.bucketCount(); }

 private:
  struct Frame {
    const File* file = nullptr;  // not owned
    PageId page = 0;
    bool valid = false;   // holds a page
    bool refbit = false;  // accessed since the hand last passed
  };

  void advance() {
    if (++hand_ == frames_.size()) hand_ = 0;
  }

  std::vector<Frame> frames_;
  std::size_t heapBefore_;  // taken after frames_ is allocated, before table_ is built
  std::size_t hand_ = 0;
  PageTable table_;
};

// An access with its File resolved, as a pool's caller has it in hand.
struct Request {
  const File* file;  // not owned
  PageId page;
};

// What a checking replay saw besides the outcomes.
struct Footprint {
  std::size_t buckets = 0;      // the page table's chains, buckets or slots
  double bytesPerPage = 0;      // its heap per resident page at the end
  std::size_t validFrames = 0;  // resident pages at the end
};

using Run = std::uint64_t (*)(const std::vector<Request>& requests, std::size_t frameCount, int sizing,
                              std::vector<Outcome>* log, Footprint* footprint);

// Replays the requests; returns how many hit. With `log`, also records every
// access's outcome there, and the page table's footprint in `footprint`.
template <typename PageTable, bool kThrowingLookup>
std::uint64_t replay(const std::vector<Request>& requests, std::size_t frameCount, int sizing,
                     std::vector<Outcome>* log, Footprint* footprint) {
  ClockPool<PageTable, kThrowingLookup> pool(frameCount, sizing);
  std::uint64_t hits = 0;
  for (const Request& r : requests) {
    const Outcome outcome = pool.access(r.file, r.page);
    hits += outcome.hit ? 1 : 0;
    if (log != nullptr) log->push_back(outcome);
  }
  if (footprint != nullptr) {
    const std::size_t valid = pool.validFrames();
    *footprint = {pool.bucketCount(),
                  static_cast<double>(pool.tableHeap()) / static_cast<double>(std::max<std::size_t>(valid, 1)), valid};
  }
  return hits;
}

// How a page table is sized: by the table's chain count (the table, and the
// maps defined by the table's formula), or by the frame count.
enum class Sizing { kTableCount, kFrames };

struct Variant {
  const char* name;
  Run run;
  Sizing sizing;
};

const Variant kVariants[] = {
    {"BufHashTbl, tryLookup", replay<Table, false>, Sizing::kTableCount},
    {"BufHashTbl, lookup + catch", replay<Table, true>, Sizing::kTableCount},
    {"unordered_map, same hash", replay<SameMap, false>, Sizing::kTableCount},
    {"unordered_map, mixing hash", replay<MixMap, false>, Sizing::kFrames},
#ifdef MORVANE_BENCH_WITH_ABSL
    {"flat_hash_map, absl::Hash", replay<AbslMap, false>, Sizing::kFrames},
    {"flat_hash_map, same hash", replay<AbslSameMap, false>, Sizing::kTableCount},
#endif
};

std::vector<Access> readTrace(std::istream& in) {
  std::vector<Access> trace;
  unsigned long long file = 0;
  unsigned long long page = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (std::sscanf(line.c_str(), "%llu %llu", &file, &page) != 2 || file >= kMaxFiles || page > 0xFFFFFFFFULL) {
      std::cerr << "bad trace line " << trace.size() + 1 << ": " << line << '\n';
      std::exit(2);
    }
    trace.push_back({static_cast<std::uint32_t>(file), static_cast<PageId>(page)});
  }
  return trace;
}

// Draws ranks 0 .. n-1 with probability proportional to 1 / (rank + 1)^s,
// from its own 64-bit Mersenne Twister (whose sequence the standard fixes;
// the standard distributions' algorithms it does not).
class Zipf {
 public:
  Zipf(std::size_t n, double s) : cumulative_(n) {
    double sum = 0;
    for (std::size_t k = 0; k < n; ++k) cumulative_[k] = sum += 1.0 / std::pow(static_cast<double>(k + 1), s);
    for (double& c : cumulative_) c /= sum;
  }
  std::size_t operator()(std::mt19937_64& random) const {
    const double u = static_cast<double>(random() >> 11) * 0x1.0p-53;
    const auto found = std::upper_bound(cumulative_.begin(), cumulative_.end(), u);
    return std::min(static_cast<std::size_t>(found - cumulative_.begin()), cumulative_.size() - 1);
  }

 private:
  std::vector<double> cumulative_;
};

// Uniform in [0, n), by Lemire's multiply-shift (bias below 2^-32 for n < 2^32).
std::uint32_t below(std::mt19937_64& random, std::uint32_t n) {
  return static_cast<std::uint32_t>(((random() >> 32) * n) >> 32);
}

// Generated workloads: 2,000,000 accesses each, from fixed distributions and
// seeds, so that every run replays the same accesses.
constexpr std::size_t kSyntheticAccesses = 2000000;

// 30 files, Zipf-popular. Within a file, 85% of accesses go to page 16 * k,
// for the file's own Zipf-popular list of `strides` values of k drawn below
// `range` (its hot pages scattered over the range), the rest to any page
// below 16 * range. With a wide range the files' pages rarely share a hash
// sum; with a range as small as the list, every file reads the same pages.
std::vector<Access> strided(std::uint32_t strides, std::uint32_t range) {
  constexpr std::uint32_t kFiles = 30;
  std::mt19937_64 random(20261209);
  const Zipf filePick(kFiles, 0.8);
  const Zipf stridePick(strides, 0.9);
  std::vector<std::vector<std::uint32_t>> scatter(kFiles, std::vector<std::uint32_t>(strides));
  for (auto& list : scatter) {
    if (range == strides) {
      for (std::uint32_t k = 0; k < strides; ++k) list[k] = k;
      std::shuffle(list.begin(), list.end(), random);
    } else {
      for (auto& k : list) k = below(random, range);
    }
  }
  std::vector<Access> trace;
  trace.reserve(kSyntheticAccesses);
  while (trace.size() < kSyntheticAccesses) {
    const auto file = static_cast<std::uint32_t>(filePick(random));
    const bool onStride = below(random, 100) < 85;
    const PageId page = onStride ? 16 * scatter[file][stridePick(random)] : below(random, 16 * range);
    trace.push_back({file, page});
  }
  return trace;
}

std::vector<Access> synthetic(const std::string& name) {
  std::mt19937_64 random(20261209);
  std::vector<Access> trace;
  trace.reserve(kSyntheticAccesses);
  if (name == "zipf-one-file") {
    // One file of 200,000 pages, Zipf-popular (s = 0.99), the hot pages
    // scattered over the file by a fixed permutation.
    const Zipf pick(200000, 0.99);
    std::vector<PageId> scatter(200000);
    for (PageId p = 0; p < scatter.size(); ++p) scatter[p] = p;
    std::shuffle(scatter.begin(), scatter.end(), random);
    while (trace.size() < kSyntheticAccesses) trace.push_back({0, scatter[pick(random)]});
  } else if (name == "strided-wide") {
    trace = strided(20000, 1 << 22);  // pages up to 2^26
  } else if (name == "strided-dense") {
    trace = strided(2000, 2000);  // pages up to 32,000, the same in every file
  } else if (name == "dense-overlap") {
    // 30 files, each read over the same dense pages 0 .. 9,999, Zipf-popular.
    // Files sit sizeof(File) bytes apart, so page p of one file and page
    // p - sizeof(File) of the next have the same hash sum: they share a chain
    // whatever the bucket count.
    const Zipf filePick(30, 0.8);
    const Zipf pagePick(10000, 0.9);
    while (trace.size() < kSyntheticAccesses) {
      trace.push_back({static_cast<std::uint32_t>(filePick(random)), static_cast<PageId>(pagePick(random))});
    }
  } else {
    std::cerr << "unknown synthetic workload " << name
              << "; one of zipf-one-file, strided-wide, strided-dense, dense-overlap\n";
    std::exit(2);
  }
  return trace;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double seconds(const std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool isPrime(std::uint64_t n) {
  if (n < 2) return false;
  for (std::uint64_t d = 2; d * d <= n; ++d) {
    if (n % d == 0) return false;
  }
  return true;
}

// The table alone over chain counts from FRAMES / 4 to 8 * FRAMES, primes
// and powers of two, each round timing every count once against the
// recommended count.
int sweep(const std::vector<Request>& requests, std::size_t frameCount) {
  struct Point {
    double perFrame;
    const char* kind;
    int chains;
  };
  std::vector<Point> points = {{0, "recommended", BufHashTbl::bucketCountFor(frameCount)}};
  for (const double perFrame : {0.25, 0.5, 1.0, 2.0, 4.0, 8.0}) {
    const auto target = static_cast<std::uint64_t>(std::max(2.0, perFrame * static_cast<double>(frameCount)));
    std::uint64_t prime = target;
    while (!isPrime(prime)) ++prime;
    const auto power = std::uint64_t{1} << static_cast<int>(std::lround(std::log2(static_cast<double>(target))));
    points.push_back({perFrame, "prime", static_cast<int>(prime)});
    points.push_back({perFrame, "power of two", static_cast<int>(power)});
  }
  std::vector<Footprint> footprints(points.size());
  std::uint64_t hits = 0;
  for (std::size_t p = 0; p < points.size(); ++p) {
    hits = replay<Table, false>(requests, frameCount, points[p].chains, nullptr, &footprints[p]);
  }
  std::vector<std::vector<double>> nanos(points.size());
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t k = 0; k < points.size(); ++k) {
      const std::size_t p = (k + static_cast<std::size_t>(round)) % points.size();
      const auto start = std::chrono::steady_clock::now();
      if (replay<Table, false>(requests, frameCount, points[p].chains, nullptr, nullptr) != hits) return 1;
      nanos[p].push_back(seconds(start) * 1e9 / static_cast<double>(std::max<std::size_t>(requests.size(), 1)));
    }
  }
  std::printf(
      "sweep: BufHashTbl tryLookup, %zu frames, median of %d rounds; 'x recommended' is the median over "
      "rounds of time / the recommended count's time\n",
      frameCount, rounds);
  std::printf("%-9s %-13s %11s %12s %14s %15s\n", "per frame", "kind", "chains", "ns/access", "x recommended",
              "bytes/resident");
  for (std::size_t p = 0; p < points.size(); ++p) {
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) ratios.push_back(nanos[p][round] / nanos[0][round]);
    std::printf("%-9.3f %-13s %11d %12.2f %14.2f %15.1f\n",
                static_cast<double>(points[p].chains) / static_cast<double>(frameCount), points[p].kind,
                points[p].chains, median(nanos[p]), median(ratios), footprints[p].bytesPerPage);
  }
  return 0;
}

struct Options {
  std::string frames;
  std::string trace = "-";
  std::string synthetic;
  long chains = 0;  // 0: bucketCountFor(frames)
  bool sweep = false;
  long accesses = 0;  // 0: all
};

bool parse(int argc, char** argv, Options& options) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--chains" && i + 1 < argc) {
      options.chains = std::atol(argv[++i]);
      if (options.chains < 1 || options.chains > INT_MAX) return false;
    } else if (arg == "--synthetic" && i + 1 < argc) {
      options.synthetic = argv[++i];
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::atoi(argv[++i]);
      if (rounds < 1) return false;
    } else if (arg == "--accesses" && i + 1 < argc) {
      options.accesses = std::atol(argv[++i]);
      if (options.accesses < 1) return false;
    } else if (arg == "--sweep") {
      options.sweep = true;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty() || positional.size() > 2 || (positional.size() == 2 && !options.synthetic.empty())) {
    return false;
  }
  options.frames = positional[0];
  if (positional.size() == 2) options.trace = positional[1];
  return true;
}

int run(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::cerr << "usage: morvane_replay FRAMES|P% [TRACE | --synthetic NAME] [--chains N] [--sweep] [--rounds N] "
                 "[--accesses N]\n";
    return 2;
  }
  std::vector<Access> trace;
  if (!options.synthetic.empty()) {
    trace = synthetic(options.synthetic);
  } else if (options.trace != "-") {
    std::ifstream in(options.trace);
    if (!in) {
      std::cerr << "cannot read " << options.trace << '\n';
      return 2;
    }
    trace = readTrace(in);
  } else {
    trace = readTrace(std::cin);
  }
  std::uint32_t fileCount = 0;  // File objects needed: one per file number up to the largest
  std::unordered_set<std::uint64_t> distinct;
  std::unordered_set<std::uint32_t> distinctFiles;
  for (const Access& a : trace) {
    fileCount = std::max(fileCount, a.file + 1);
    distinct.insert(std::uint64_t{a.file} << 32 | a.page);
    distinctFiles.insert(a.file);
  }
  long frameArg = std::atol(options.frames.c_str());
  if (!options.frames.empty() && options.frames.back() == '%') {
    frameArg = static_cast<long>(static_cast<double>(distinct.size()) * std::atof(options.frames.c_str()) / 100);
  }
  if (frameArg < 1) {
    std::cerr << "FRAMES must come to at least 1 frame, not " << options.frames << '\n';
    return 2;
  }
  const auto frameCount = static_cast<std::size_t>(frameArg);
  if (options.accesses > 0 && static_cast<std::size_t>(options.accesses) < trace.size()) {
    trace.resize(static_cast<std::size_t>(options.accesses));
  }

  // Files allocated together, sizeof(File) apart in blocks, as an engine that
  // opens its files at start-up would have them.
  std::deque<File> files;
  for (std::uint32_t f = 0; f < fileCount; ++f) files.emplace_back("file" + std::to_string(f));
  std::vector<Request> requests;
  requests.reserve(trace.size());
  for (const Access& a : trace) requests.push_back({&files[a.file], a.page});
  std::printf("%zu accesses to %zu distinct pages of %zu files%s%s; %zu frames\n", trace.size(), distinct.size(),
              distinctFiles.size(), options.synthetic.empty() ? "" : ", synthetic ", options.synthetic.c_str(),
              frameCount);
  std::printf("processor: %s\n", processorName().c_str());
  if (options.sweep) return sweep(requests, frameCount);

  const int chains = options.chains > 0 ? static_cast<int>(options.chains) : BufHashTbl::bucketCountFor(frameCount);
  const int frameSizing = static_cast<int>(std::min<std::size_t>(frameCount, INT_MAX));
  auto sizingOf = [&](const Variant& v) { return v.sizing == Sizing::kTableCount ? chains : frameSizing; };
  constexpr std::size_t kCount = std::size(kVariants);

  // Every page table must do exactly what the first one does, access by access.
  std::vector<Outcome> reference;
  std::vector<Outcome> log;
  reference.reserve(requests.size());
  log.reserve(requests.size());
  Footprint footprints[kCount];
  kVariants[0].run(requests, frameCount, sizingOf(kVariants[0]), &reference, &footprints[0]);
  for (std::size_t v = 1; v < kCount; ++v) {
    log.clear();
    kVariants[v].run(requests, frameCount, sizingOf(kVariants[v]), &log, &footprints[v]);
    const auto [mismatch, _] = std::mismatch(reference.begin(), reference.end(), log.begin(), log.end());
    if (mismatch != reference.end() || log.size() != reference.size()) {
      std::cerr << kVariants[v].name << " and " << kVariants[0].name << " disagree at access "
                << mismatch - reference.begin() + 1 << '\n';
      return 1;
    }
  }
  const auto hits = static_cast<std::uint64_t>(
      std::count_if(reference.begin(), reference.end(), [](const Outcome& o) { return o.hit; }));
  const auto evictions = static_cast<std::uint64_t>(
      std::count_if(reference.begin(), reference.end(), [](const Outcome& o) { return o.evictedFile != nullptr; }));

  // Timed rounds; each starts with a different page table, so that none
  // always runs first or last.
  std::vector<std::vector<double>> nanos(kCount);
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t k = 0; k < kCount; ++k) {
      const std::size_t v = (k + static_cast<std::size_t>(round)) % kCount;
      const auto start = std::chrono::steady_clock::now();
      const std::uint64_t roundHits = kVariants[v].run(requests, frameCount, sizingOf(kVariants[v]), nullptr, nullptr);
      const double elapsed = seconds(start);
      if (roundHits != hits) {
        std::cerr << kVariants[v].name << " gave " << roundHits << " hits in a timed round, not " << hits << '\n';
        return 1;
      }
      nanos[v].push_back(elapsed * 1e9 / static_cast<double>(std::max<std::size_t>(trace.size(), 1)));
    }
  }

  const double hitPercent = trace.empty() ? 0 : 100.0 * static_cast<double>(hits) / static_cast<double>(trace.size());
  std::printf(
      "every page table: %llu hits (%.2f%%), %llu evictions, %zu pages resident at the end, the same "
      "outcome at every access\n",
      static_cast<unsigned long long>(hits), hitPercent, static_cast<unsigned long long>(evictions),
      footprints[0].validFrames);
  std::printf("table: %d chains (%s); maps under its formula reserve that many, the others %zu\n", chains,
              options.chains > 0 ? "--chains" : "bucketCountFor(frames)", frameCount);
  std::printf(
      "median of %d rounds; 'x table' is the median over rounds of time / BufHashTbl tryLookup's time;\n"
      "'heap/page' is the page table's heap after the checking replay per resident page\n",
      rounds);
  std::printf("%-28s %12s %9s %10s %10s\n", "page table", "ns/access", "x table", "buckets", "heap/page");
  for (std::size_t v = 0; v < kCount; ++v) {
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) ratios.push_back(nanos[v][round] / nanos[0][round]);
    std::printf("%-28s %12.2f %9.2f %10zu %10.1f\n", kVariants[v].name, median(nanos[v]), median(ratios),
                footprints[v].buckets, footprints[v].bytesPerPage);
  }
  return 0;
}

}  // namespace
}  // namespace morvane::bench

int main(int argc, char** argv) { return morvane::bench::run(argc, argv); }
