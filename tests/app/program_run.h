#pragma once
// The program itself run as a script runs it: its exit status and output.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
// process ID and the time since the start, and may signal the program. `environment` changes
// this process's environment for the program: "NAME=VALUE" sets, "NAME" removes.
inline ProgramRun RunProgram(const std::vector<std::string>& arguments, const TempFolder& scratch,
                             const std::function<void(pid_t, std::chrono::milliseconds)>& whileRunning = {},
                             const std::vector<std::string>& environment = {}) {
  std::vector<std::string> all = {YOMITORU_EXECUTABLE};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) variables.emplace_back(*variable);
  std::vector<std::string> changes = {"QT_QPA_PLATFORM=offscreen"};
  changes.insert(changes.end(), environment.begin(), environment.end());
  for (const std::string& change : changes) {
    const std::string name = change.substr(0, change.find('='));
    std::erase_if(variables,
                  [&name](const std::string& v) { return v.compare(0, name.size() + 1, name + "=") == 0; });
    if (change.find('=') != std::string::npos) variables.push_back(change);
  }
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  const std::filesystem::path out = scratch.path() / "out.txt";
  const std::filesystem::path err = scratch.path() / "err.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ProgramRun run;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
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
