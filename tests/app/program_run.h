#pragma once
// The program run as a script runs it, in a process of its own: its exit status and what it
// printed, with a look at it every 10 ms while it runs.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

extern char** environ;

inline constexpr std::chrono::seconds kRunLimit{180};

struct ProgramRun {
  int exitStatus = -1;  // 128 + signal for a killed program
  bool timedOut = false;
  std::string out;
  std::string err;
};

// Runs the program with `arguments` offscreen; `whileRunning` is called every 10 ms with the
// process ID and the time since the start, and may signal the program.
inline ProgramRun RunProgram(const std::vector<std::string>& arguments, const TempFolder& scratch,
                             const std::function<void(pid_t, std::chrono::milliseconds)>& whileRunning = {},
                             const char* platform = "offscreen") {
  std::vector<std::string> all = {YOMITORU_EXECUTABLE};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  setenv("QT_QPA_PLATFORM", platform, 1);
  const std::filesystem::path out = scratch.path() / "out.txt";
  const std::filesystem::path err = scratch.path() / "err.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ProgramRun run;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (elapsed > kRunLimit) {
      run.timedOut = true;
      kill(pid, SIGKILL);
    } else if (whileRunning) {
      whileRunning(pid, elapsed);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadFileBytes(out);
  run.err = ReadFileBytes(err);
  return run;
}
