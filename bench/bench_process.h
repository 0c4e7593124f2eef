#pragma once
// What the benchmarks that run the program share: running a program with its output in
// files, its wall time and peak memory; the moments the program traces; wget's reuse of
// its connection; and the figures' small arithmetic.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace bench {

namespace fs = std::filesystem;

// A run that hangs is killed, not waited for.
inline constexpr std::chrono::seconds kRunLimit{120};

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC, the clock of the program's traces

struct RunResult {
  double seconds = 0;
  long maxRssKb = 0;    // 0 when unknown
  int exitStatus = -1;  // exit code, or 128 + signal
  bool timedOut = false;
  Clock::time_point started;
};

inline std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The environment of the children: ours without proxy settings (both must talk to
// loopback directly) and without a service root that would override --service-root.
inline std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string variable = *entry;
    std::string name = variable.substr(0, variable.find('='));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name.find("proxy") != std::string::npos || name == "yomitoru_service_root") continue;
    result.push_back(std::move(variable));
  }
  result.insert(result.end(), extra.begin(), extra.end());
  return result;
}

inline std::vector<char*> PointerArray(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Runs a program with stdout and stderr in files and measures wall time from spawn to
// reaping; `whileRunning` is called every millisecond meanwhile with the program's group.
// The peak resident set comes from GNU time wrapped around it, not from our own wait4:
// Linux carries a process's peak across exec, so a program spawned straight from this
// process (which holds the whole sample service) would inherit our peak as its own.
inline RunResult RunProcess(const std::vector<std::string>& command,
                            const std::vector<std::string>& extraEnvironment, const fs::path& stdoutFile,
                            const fs::path& stderrFile, const std::function<void(pid_t)>& whileRunning = {}) {
  const fs::path rssFile = stderrFile.string() + ".maxrss";
  std::vector<std::string> arguments = {"/usr/bin/time", "-q", "-f", "%M", "-o", rssFile};
  arguments.insert(arguments.end(), command.begin(), command.end());
  std::vector<std::string> environment = ChildEnvironment(extraEnvironment);
  std::vector<char*> argv = PointerArray(arguments);
  std::vector<char*> envp = PointerArray(environment);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // A group of its own, so that a run can be signalled or killed together with its wrapper.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);

  RunResult result;
  pid_t pid = 0;
  result.started = Clock::now();
  const int spawnError = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawnError != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(spawnError));
    return result;
  }
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() - result.started > kRunLimit && !result.timedOut) {
      result.timedOut = true;
      kill(-pid, SIGKILL);
    }
    if (whileRunning) whileRunning(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - result.started).count();
  // GNU time passes the program's exit code on, and 128 + signal for a killed program.
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.maxRssKb = std::strtol(ReadFile(rssFile).c_str(), nullptr, 10);
  return result;
}

inline std::size_t CountRegularFiles(const fs::path& folder, const std::string& extension = {}) {
  std::error_code error;
  std::size_t count = 0;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file() && (extension.empty() || it->path().extension() == extension)) ++count;
  }
  return count;
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

inline double Megabytes(long kilobytes) { return kilobytes * 1024.0 / 1e6; }

// How often wget said it reused its connection, from an untimed run with --debug.
inline int CountConnectionReuses(const fs::path& log) {
  std::istringstream lines(ReadFile(log));
  int reuses = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Reusing existing connection", 0) == 0) ++reuses;
  }
  return reuses;
}

// A moment the program traced on standard error ("trace <name> <ns> [detail]"): its time
// and detail, from the first line of that name.
struct Trace {
  Clock::time_point at;
  std::string detail;
};
inline std::optional<Trace> FindTrace(const std::string& errorOutput, const std::string& name) {
  std::istringstream lines(errorOutput);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string word, traced;
    long long nanoseconds = 0;
    if (!(fields >> word >> traced >> nanoseconds) || word != "trace" || traced != name) continue;
    Trace trace{Clock::time_point(std::chrono::nanoseconds(nanoseconds)), {}};
    fields >> trace.detail;
    return trace;
  }
  return std::nullopt;
}

inline double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

inline std::string FirstLine(const std::string& text) {
  const std::size_t end = text.find('\n');
  return text.substr(0, end == std::string::npos ? text.size() : end);
}

inline const char* Verdict(bool met) { return met ? "ok" : "MISSED"; }

// wget as a plain fetcher of the addresses in `list`, into `folder`: no configuration files,
// no compression, no redirects, no proxy; keep-alive is its default for one host, so one
// connection serves every page. With `debugLog`, it says there whether it reused it.
inline std::vector<std::string> WgetCommand(const fs::path& list, const fs::path& folder,
                                            const fs::path& debugLog) {
  std::vector<std::string> arguments = {"/usr/bin/wget",
                                        "--no-config",
                                        "--compression=none",
                                        "--max-redirect=0",
                                        "--no-proxy",
                                        "--tries=1",
                                        "-i",
                                        list,
                                        "-P",
                                        folder};
  if (debugLog.empty()) {
    arguments.push_back("-q");
  } else {
    arguments.insert(arguments.end(), {"-d", "-o", debugLog});
  }
  return arguments;
}

}  // namespace bench
