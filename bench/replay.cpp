// Replays a page-access trace through a small CLOCK buffer pool whose page
// table is, in turn, the frame table (through lookup and its exception, and
// through tryLookup) and std::unordered_map, and reports hit ratio and time
// per access for each.
//
//   morvane_replay FRAMES [TRACE]
//
// TRACE holds one access per line, "FILE PAGE" in decimal; without it, or
// with "-", the trace is read from standard input. Exits 1 if the variants'
// hit counts disagree, 2 on bad usage or input.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
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

struct Counts {
  std::uint64_t hits = 0;
  std::uint64_t inserts = 0;
  std::uint64_t removes = 0;
  bool operator==(const Counts&) const = default;
};

// A CLOCK pool: each frame has a reference bit, set on every access; on a
// miss the hand sweeps, clearing set bits, to the first invalid frame or
// frame whose bit is clear, which takes the new page.
template <typename PageTable, bool kThrowingLookup>
class ClockPool {
 public:
  ClockPool(std::size_t frameCount, int buckets) : frames_(frameCount), table_(buckets) {}

  void access(const File* file, PageId page) {
    FrameId frame = 0;
    const bool hit = kThrowingLookup ? table_.throwingFind(file, page, frame) : table_.find(file, page, frame);
    if (hit) {
      frames_[frame].refbit = true;
      ++counts_.hits;
      return;
    }
    while (frames_[hand_].valid && frames_[hand_].refbit) {
      frames_[hand_].refbit = false;
      advance();
    }
    Frame& victim = frames_[hand_];
    if (victim.valid) {
      table_.remove(victim.file, victim.page);
      ++counts_.removes;
    }
    table_.insert(file, page, static_cast<FrameId>(hand_));
    ++counts_.inserts;
    victim = {file, page, true, true};
    advance();
  }

  const Counts& counts() const { return counts_; }

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
  Counts counts_;
};

// An access with its File resolved, as a pool's caller has it in hand.
struct Request {
  const File* file;  // not owned
  PageId page;
};

struct Variant {
  const char* name;
  std::function<Counts(const std::vector<Request>&, std::size_t, int)> run;
};

template <typename PageTable, bool kThrowingLookup>
Counts replay(const std::vector<Request>& requests, std::size_t frameCount, int buckets) {
  ClockPool<PageTable, kThrowingLookup> pool(frameCount, buckets);
  for (const Request& r : requests) pool.access(r.file, r.page);
  return pool.counts();
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
  std::uint32_t fileCount = 0;
  std::unordered_set<std::uint64_t> distinct;
  for (const Access& a : trace) {
    fileCount = std::max(fileCount, a.file + 1);
    distinct.insert(std::uint64_t{a.file} << 32 | a.page);
  }
  std::deque<File> files;
  for (std::uint32_t f = 0; f < fileCount; ++f) files.emplace_back("file" + std::to_string(f));
  std::vector<Request> requests;
  requests.reserve(trace.size());
  for (const Access& a : trace) requests.push_back({&files[a.file], a.page});
  const int buckets = bucketsFor(frameCount);

  const Variant variants[] = {
      {"map, same hash (find)", replay<Map<SameHash>, false>},
      {"map, mixing hash (find)", replay<Map<MixHash>, false>},
      {"BufHashTbl (lookup, catch)", replay<Table, true>},
      {"BufHashTbl (tryLookup)", replay<Table, false>},
  };
  constexpr int kRounds = 5;
  std::vector<std::vector<double>> nanos(std::size(variants));
  std::vector<Counts> counts(std::size(variants));
  for (int round = 0; round < kRounds; ++round) {
    for (std::size_t v = 0; v < std::size(variants); ++v) {
      const auto start = std::chrono::steady_clock::now();
      counts[v] = variants[v].run(requests, frameCount, buckets);
      const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
      nanos[v].push_back(elapsed.count() / static_cast<double>(std::max<std::size_t>(trace.size(), 1)));
    }
  }

  std::printf("%zu accesses to %zu distinct pages of %u files; %zu frames, %d chains; median of %d rounds\n",
              trace.size(), distinct.size(), fileCount, frameCount, buckets, kRounds);
  std::printf("%-28s %10s %8s %10s %10s %10s %12s\n", "page table", "hits", "hit %", "inserts", "removes", "ns/access",
              "vs same map");
  for (std::size_t v = 0; v < std::size(variants); ++v) {
    std::vector<double> ratios;
    for (int round = 0; round < kRounds; ++round) ratios.push_back(nanos[v][round] / nanos[0][round]);
    const double hitRatio =
        trace.empty() ? 0 : 100.0 * static_cast<double>(counts[v].hits) / static_cast<double>(trace.size());
    std::printf("%-28s %10llu %8.2f %10llu %10llu %10.1f %12.2f\n", variants[v].name,
                static_cast<unsigned long long>(counts[v].hits), hitRatio,
                static_cast<unsigned long long>(counts[v].inserts), static_cast<unsigned long long>(counts[v].removes),
                median(nanos[v]), median(ratios));
  }
  for (const Counts& c : counts) {
    if (!(c == counts[0])) {
      std::cerr << "the page tables disagree on hits, inserts or removes\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace
}  // namespace morvane::bench

int main(int argc, char** argv) { return morvane::bench::run(argc, argv); }
