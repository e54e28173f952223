// Runs the built demonstration program and checks its whole output.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace {

struct DemoRun {
  std::string output;
  int status;  // as waitpid reports it; -1 if the program could not be started
};

// Runs the program with `arguments`, standard input from /dev/null, and no
// shell, so that nothing in its path needs quoting.
DemoRun runDemo(const std::vector<std::string>& arguments) {
  std::vector<std::string> words{MORVANE_DEMO_PROGRAM};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {"", -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  DemoRun run{"", -1};
  char chunk[256];
  ssize_t got = 0;
  while ((got = read(pipeEnds[0], chunk, sizeof chunk)) > 0) run.output.append(chunk, static_cast<std::size_t>(got));
  close(pipeEnds[0]);
  if (spawned == 0) waitpid(child, &run.status, 0);
  return run;
}

constexpr const char* kExpected =
    "000010000200003 000010000200003\n"
    "0000200003 0000200003\n"
    "00003 00003\n";

TEST(DemoProgram, PrintsItsThreeLinesAndExitsZero) {
  const DemoRun run = runDemo({});
  EXPECT_EQ(run.output, kExpected);
  EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << "status " << run.status;
}

TEST(DemoProgram, IgnoresArgumentsAndGivesTheSameOutputEveryRun) {
  EXPECT_EQ(runDemo({}).output, runDemo({}).output);
  EXPECT_EQ(runDemo({"--help", "extra words"}).output, kExpected);
}

}  // namespace
