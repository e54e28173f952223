// Replays a page-access trace through a small CLOCK buffer pool whose page
// table is, in turn, the frame table (through lookup and its exception, and
// through tryLookup), std::unordered_map under two hashes and, when built with
// abseil, absl::flat_hash_map under two hashes. Checks, access by access, that
// every page table gives the same hit or miss and evicts the same page; then
// times the replays in rounds, each round running every page table once, and
// reports the median time per access and the median over rounds of each page
// table's time relative to the frame table's tryLookup in the same round.
//
//   morvane_replay FRAMES [TRACE]
//
// TRACE holds one access per line, "FILE PAGE" in decimal; without it, or
// with "-", the trace is read from standard input. Exits 1 if the page tables
// disagree on any access, 2 on bad usage or input.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iostream>
#include <string>
#include <unordered_set>
#include <vector>

#include "structures.h"

namespace morvane::bench {
namespace {

constexpr std::uint32_t kMaxFiles = 1 << 16;  // bounds the File objects a trace can ask for

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

// A CLOCK pool: each frame has a reference bit, set on every access; on a
// miss the hand sweeps, clearing set bits, to the first invalid frame or
// frame whose bit is clear, which takes the new page.
template <typename PageTable, bool kThrowingLookup>
class ClockPool {
 public:
  ClockPool(std::size_t frameCount, int buckets) : frames_(frameCount), table_(buckets) {}

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
  std::size_t hand_ = 0;
  PageTable table_;
};

// An access with its File resolved, as a pool's caller has it in hand.
struct Request {
  const File* file;  // not owned
  PageId page;
};

struct Variant {
  const char* name;
  // Replays the requests; returns how many hit. With `log`, also records every
  // access's outcome there.
  std::uint64_t (*run)(const std::vector<Request>& requests, std::size_t frameCount, int buckets,
                       std::vector<Outcome>* log);
};

template <typename PageTable, bool kThrowingLookup>
std::uint64_t replay(const std::vector<Request>& requests, std::size_t frameCount, int buckets,
                     std::vector<Outcome>* log) {
  ClockPool<PageTable, kThrowingLookup> pool(frameCount, buckets);
  std::uint64_t hits = 0;
  for (const Request& r : requests) {
    const Outcome outcome = pool.access(r.file, r.page);
    hits += outcome.hit ? 1 : 0;
    if (log != nullptr) log->push_back(outcome);
  }
  return hits;
}

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

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int run(int argc, char** argv) {
  if (argc < 2 || argc > 3 || std::atol(argv[1]) < 1) {
    std::cerr << "usage: morvane_replay FRAMES [TRACE]\n";
    return 2;
  }
  const auto frameCount = static_cast<std::size_t>(std::atol(argv[1]));
  std::vector<Access> trace;
  if (argc == 3 && std::string(argv[2]) != "-") {
    std::ifstream in(argv[2]);
    if (!in) {
      std::cerr << "cannot read " << argv[2] << '\n';
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
  std::deque<File> files;
  for (std::uint32_t f = 0; f < fileCount; ++f) files.emplace_back("file" + std::to_string(f));
  std::vector<Request> requests;
  requests.reserve(trace.size());
  for (const Access& a : trace) requests.push_back({&files[a.file], a.page});
  const int buckets = bucketsFor(frameCount);

  const Variant variants[] = {
      {"BufHashTbl, tryLookup", replay<Table, false>},       {"BufHashTbl, lookup + catch", replay<Table, true>},
      {"unordered_map, same hash", replay<SameMap, false>},  {"unordered_map, mixing hash", replay<MixMap, false>},
#ifdef MORVANE_BENCH_WITH_ABSL
      {"flat_hash_map, absl::Hash", replay<AbslMap, false>}, {"flat_hash_map, same hash", replay<AbslSameMap, false>},
#endif
  };
  constexpr std::size_t kVariants = std::size(variants);

  // Every page table must do exactly what the first one does, access by access.
  std::vector<Outcome> reference;
  std::vector<Outcome> log;
  reference.reserve(requests.size());
  log.reserve(requests.size());
  variants[0].run(requests, frameCount, buckets, &reference);
  for (std::size_t v = 1; v < kVariants; ++v) {
    log.clear();
    variants[v].run(requests, frameCount, buckets, &log);
    const auto [mismatch, _] = std::mismatch(reference.begin(), reference.end(), log.begin(), log.end());
    if (mismatch != reference.end() || log.size() != reference.size()) {
      std::cerr << variants[v].name << " and " << variants[0].name << " disagree at access "
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
  constexpr int kRounds = 7;
  std::vector<std::vector<double>> nanos(kVariants);
  for (int round = 0; round < kRounds; ++round) {
    for (std::size_t k = 0; k < kVariants; ++k) {
      const std::size_t v = (k + static_cast<std::size_t>(round)) % kVariants;
      const auto start = std::chrono::steady_clock::now();
      const std::uint64_t roundHits = variants[v].run(requests, frameCount, buckets, nullptr);
      const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
      if (roundHits != hits) {
        std::cerr << variants[v].name << " gave " << roundHits << " hits in a timed round, not " << hits << '\n';
        return 1;
      }
      nanos[v].push_back(elapsed.count() / static_cast<double>(std::max<std::size_t>(trace.size(), 1)));
    }
  }

  const double hitPercent = trace.empty() ? 0 : 100.0 * static_cast<double>(hits) / static_cast<double>(trace.size());
  std::printf("%zu accesses to %zu distinct pages of %zu files; %zu frames, %d chains\n", trace.size(), distinct.size(),
              distinctFiles.size(), frameCount, buckets);
  std::printf("every page table: %llu hits (%.2f%%), %llu evictions, the same outcome at every access\n",
              static_cast<unsigned long long>(hits), hitPercent, static_cast<unsigned long long>(evictions));
  std::printf("median of %d rounds; 'x table' is the median over rounds of time / BufHashTbl tryLookup's time\n",
              kRounds);
  std::printf("%-28s %12s %9s\n", "page table", "ns/access", "x table");
  for (std::size_t v = 0; v < kVariants; ++v) {
    std::vector<double> ratios;
    for (int round = 0; round < kRounds; ++round) ratios.push_back(nanos[v][round] / nanos[0][round]);
    std::printf("%-28s %12.2f %9.2f\n", variants[v].name, median(nanos[v]), median(ratios));
  }
  return 0;
}

}  // namespace
}  // namespace morvane::bench

int main(int argc, char** argv) { return morvane::bench::run(argc, argv); }
