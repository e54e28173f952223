// Runs the built demonstration program and checks its whole output.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct DemoRun {
  std::string output;
  int status;
};

DemoRun runDemo(const std::string& arguments) {
  const std::string command = std::string(MORVANE_DEMO_PROGRAM) + " " + arguments + " </dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {"", -1};
  DemoRun run{"", 0};
  char chunk[256];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.output.append(chunk, got);
  run.status = pclose(pipe);
  return run;
}

constexpr const char* kExpected =
    "000010000200003 000010000200003\n"
    "0000200003 0000200003\n"
    "00003 00003\n";

TEST(DemoProgram, PrintsItsThreeLinesAndExitsZero) {
  const DemoRun run = runDemo("");
  EXPECT_EQ(run.output, kExpected);
  EXPECT_EQ(run.status, 0);
}

TEST(DemoProgram, IgnoresArgumentsAndGivesTheSameOutputEveryRun) {
  EXPECT_EQ(runDemo("").output, runDemo("").output);
  EXPECT_EQ(runDemo("--help extra words").output, kExpected);
}

}  // namespace
