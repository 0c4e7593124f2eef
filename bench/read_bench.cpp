// Times a headless read of the 1,000-issue sample newsletter into an empty archive
// against wget fetching the same listing and issue pages over one reused connection.
// Prints both medians, their ratio, Yomitoru's peak memory and its longest event-loop
// gap; exits non-zero when a run is wrong or a target is missed. Yomitoru asks for its
// notice at a page that trickles on the whole time, so the gap covers that transfer too.
//
// The sample service runs in this process: its issue list gives the exact pages to
// fetch and the bodies to check the stored files against, and its request log shows
// what each client really asked for. Both clients talk to the same server, so its cost
// falls on both alike.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "archive/issue_naming.h"
#include "platform/text_lines.h"
#include "sample_site/sample_site.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr const char* kNewsletterId = "0000900000";
constexpr int kIssueCount = 1000;
constexpr int kListingPages = 50;
constexpr int kRuns = 3;
constexpr std::chrono::seconds kRunLimit{120};  // a run that hangs is killed, not waited for

constexpr double kMaxRatio = 1.0;          // Yomitoru no slower than wget
constexpr double kMaxPeakMegabytes = 150;  // decimal megabytes
constexpr long kMaxGapMs = 50;

const char* const kYomitoruDoneLine = "*** 1000件取得しました ***";  // UTF-8, as printed
const char* const kGapLinePrefix = "longest event-loop gap: ";

struct RunResult {
  double seconds = 0;
  long maxRssKb = 0;    // 0 when unknown
  int exitStatus = -1;  // exit code, or 128 + signal
  bool timedOut = false;
};

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The environment of the children: ours without proxy settings (both must talk to
// loopback directly) and without a service root that would override --service-root.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra) {
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

std::vector<char*> PointerArray(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Runs a program with stdout and stderr in files and measures wall time from spawn to
// reaping. The peak resident set comes from GNU time wrapped around it, not from our own
// wait4: Linux carries a process's peak across exec, so a program spawned straight from
// this process (which holds the whole sample service) would inherit our peak as its own.
RunResult RunProcess(const std::vector<std::string>& command,
                     const std::vector<std::string>& extraEnvironment, const fs::path& stdoutFile,
                     const fs::path& stderrFile) {
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
  // A group of its own, so that a run that hangs can be killed together with its wrapper.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);

  RunResult result;
  pid_t pid = 0;
  const auto start = std::chrono::steady_clock::now();
  const int spawnError = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawnError != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(spawnError));
    return result;
  }

  std::mutex mutex;
  std::condition_variable reaped;
  bool done = false;
  std::thread watchdog([&] {
    std::unique_lock lock(mutex);
    if (!reaped.wait_for(lock, kRunLimit, [&] { return done; })) {
      result.timedOut = true;
      kill(-pid, SIGKILL);
    }
  });

  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  {
    std::lock_guard lock(mutex);
    done = true;
  }
  reaped.notify_one();
  watchdog.join();

  // GNU time passes the program's exit code on, and 128 + signal for a killed program.
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.maxRssKb = std::strtol(ReadFile(rssFile).c_str(), nullptr, 10);
  return result;
}

std::size_t CountRegularFiles(const fs::path& folder, const std::string& extension = {}) {
  std::error_code error;
  std::size_t count = 0;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file() && (extension.empty() || it->path().extension() == extension)) ++count;
  }
  return count;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Megabytes(long kilobytes) { return kilobytes * 1024.0 / 1e6; }

// Every issue must stand in its file: the header line with its key and address, then
// the issue text with CR LF line breaks. Returns the number of issues that do not.
int CountBadIssueFiles(const fs::path& folder, const std::vector<sample_site::IssueInfo>& issues,
                       const std::string& issueBase, std::string& firstProblem) {
  int bad = 0;
  for (const auto& issue : issues) {
    const fs::path file = folder / IssueFileName(issue.key, 0);
    const std::string bytes = ReadFile(file);
    const std::string header = issue.key + " " + issueBase + issue.pathTail + "\r\n";
    const bool good = bytes.compare(0, header.size(), header) == 0 &&
                      bytes.find(NormalizeLineBreaks(issue.bodyShiftJis)) != std::string::npos;
    if (!good && bad++ == 0)
      firstProblem = file.string() + (bytes.empty() ? " is missing or empty" : " differs");
  }
  return bad;
}

// How often wget said it reused its connection, from an untimed run with --debug.
int CountConnectionReuses(const fs::path& log) {
  std::istringstream lines(ReadFile(log));
  int reuses = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Reusing existing connection", 0) == 0) ++reuses;
  }
  return reuses;
}

std::optional<long> LongestGapMs(const std::string& errorOutput) {
  const std::size_t at = errorOutput.rfind(kGapLinePrefix);
  if (at == std::string::npos) return std::nullopt;
  return std::strtol(errorOutput.c_str() + at + std::strlen(kGapLinePrefix), nullptr, 10);
}

std::string FirstLine(const std::string& text) {
  const std::size_t end = text.find('\n');
  return text.substr(0, end == std::string::npos ? text.size() : end);
}

const char* Verdict(bool met) { return met ? "ok" : "MISSED"; }

class ReadBench {
 public:
  ReadBench() {
    site_.Start();
    issues_ = site_.Issues(kNewsletterId);
    for (const auto& newsletter : site_.Newsletters()) {
      if (newsletter.id == kNewsletterId) listingPages_ = sample_site::ListingPageCount(newsletter);
    }
    if (static_cast<int>(issues_.size()) != kIssueCount || listingPages_ != kListingPages) {
      throw std::runtime_error("the sample service does not hold newsletter " + std::string(kNewsletterId) +
                               " with " + std::to_string(kIssueCount) + " issues on " +
                               std::to_string(kListingPages) + " pages");
    }
    pageCount_ = static_cast<std::size_t>(listingPages_) + issues_.size();
    topPage_ = site_.NewsletterAddress(kNewsletterId);
    issueBase_ = site_.BackNumberBase() + "/" + kNewsletterId + "/";

    root_ = fs::temp_directory_path() / ("yomitoru-read-bench-" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    std::ofstream list(root_ / "urls.txt", std::ios::binary);
    list << topPage_ << '\n';
    for (int page = 2; page <= listingPages_; ++page) list << topPage_ << "/?page=" << page << '\n';
    for (const auto& issue : issues_) list << issueBase_ << issue.pathTail << '\n';
  }

  int Run() {
    loadAverage_ = FirstLine(ReadFile("/proc/loadavg"));
    CheckWgetReuse();
    // Alternating, so that load from elsewhere on the machine falls on both alike. Run
    // folders stay until the end: on ext4 without a journal, creating a file right after
    // thousands were deleted costs far more, which would charge one run for the last.
    for (int run = 1; run <= kRuns; ++run) {
      RunWget(std::to_string(run));
      RunYomitoru(std::to_string(run));
    }
    const bool targetsMet = Report();
    std::fflush(stdout);
    if (!problems_.empty()) return 2;
    fs::remove_all(root_);
    return targetsMet ? 0 : 1;
  }

 private:
  struct Timings {
    std::vector<RunResult> runs;
    std::vector<std::size_t> requests;  // what the service received in each run
  };

  // wget as a plain fetcher: no configuration files, no compression, no redirects, no
  // proxy; keep-alive is its default for one host, so one connection serves every page.
  std::vector<std::string> WgetArguments(const fs::path& folder, bool debug) const {
    std::vector<std::string> arguments = {"/usr/bin/wget",
                                          "--no-config",
                                          "--compression=none",
                                          "--max-redirect=0",
                                          "--no-proxy",
                                          "--tries=1",
                                          "-i",
                                          root_ / "urls.txt",
                                          "-P",
                                          folder};
    if (debug) {
      arguments.insert(arguments.end(), {"-d", "-o", root_ / "wget-debug.log"});
    } else {
      arguments.push_back("-q");
    }
    return arguments;
  }

  // Untimed: proves that wget reuses its connection (and warms the service's pages).
  void CheckWgetReuse() {
    const RunResult check = RunProcess(WgetArguments(root_ / "wget-check", true), {},
                                       root_ / "wget-check.out", root_ / "wget-check.err");
    reuses_ = CountConnectionReuses(root_ / "wget-debug.log");
    if (check.timedOut || check.exitStatus != 0) {
      Problem("wget check run " + Outcome(check));
    }
    if (reuses_ != static_cast<int>(pageCount_) - 1) {
      Problem("wget reused its connection " + std::to_string(reuses_) + " times, not " +
              std::to_string(pageCount_ - 1));
    }
  }

  void RunWget(const std::string& tag) {
    const fs::path folder = root_ / ("wget-" + tag);
    site_.ClearRequests();
    const RunResult result = RunProcess(WgetArguments(folder, false), {}, root_ / ("wget-" + tag + ".out"),
                                        root_ / ("wget-" + tag + ".err"));
    const std::size_t requests = site_.Requests().size();
    wget_.runs.push_back(result);
    wget_.requests.push_back(requests);

    const std::string name = "wget run " + tag;
    if (result.timedOut || result.exitStatus != 0) Problem(name + " " + Outcome(result));
    if (requests != pageCount_) {
      Problem(name + " sent " + std::to_string(requests) + " requests, not " + std::to_string(pageCount_));
    }
    if (const std::size_t fetched = CountRegularFiles(folder); fetched != pageCount_) {
      Problem(name + " fetched " + std::to_string(fetched) + " files, not " + std::to_string(pageCount_));
    }
  }

  void RunYomitoru(const std::string& tag) {
    const fs::path archive = root_ / ("archive-" + tag);
    fs::create_directories(archive);
    const fs::path out = root_ / ("yomitoru-" + tag + ".out");
    const fs::path err = root_ / ("yomitoru-" + tag + ".err");
    site_.ClearRequests();
    const RunResult result =
        RunProcess({YOMITORU_EXECUTABLE, "--archive", archive, "--service-root", site_.Root(),
                    "--notice-base", site_.NoticeBase("slow"), "--read", topPage_, "--all", "--quit"},
                   {"QT_QPA_PLATFORM=offscreen", "YOMITORU_EVENT_GAP_REPORT=1"}, out, err);
    yomitoru_.runs.push_back(result);
    yomitoru_.requests.push_back(site_.Requests().size());

    const std::string name = "yomitoru run " + tag;
    const std::string printed = ReadFile(out);
    const std::string errors = ReadFile(err);
    if (result.timedOut || result.exitStatus != 0) {
      Problem(name + " " + Outcome(result) + (errors.empty() ? "" : ": " + FirstLine(errors)));
    }
    if (printed.find(kYomitoruDoneLine) == std::string::npos) {
      Problem(name + " printed \"" + FirstLine(printed) + "\", not \"" + kYomitoruDoneLine + "\"");
    }
    const fs::path folder = archive / "magumagu" / kNewsletterId;
    if (const std::size_t stored = CountRegularFiles(folder, ".txt"); stored != issues_.size()) {
      Problem(name + " stored " + std::to_string(stored) + " issue files, not " +
              std::to_string(issues_.size()));
    }
    std::string firstBad;
    if (const int bad = CountBadIssueFiles(folder, issues_, issueBase_, firstBad); bad > 0) {
      Problem(name + ": " + std::to_string(bad) + " issue files wrong, first " + firstBad);
    }
    if (const auto gap = LongestGapMs(errors)) {
      gaps_.push_back(*gap);
    } else {
      Problem(name + " printed no event-loop gap");
    }
  }

  // Prints the table and the verdicts; true when every target is met.
  bool Report() const {
    const double wgetMedian = MedianSeconds(wget_);
    const double yomitoruMedian = MedianSeconds(yomitoru_);
    const double ratio = yomitoruMedian / wgetMedian;
    const double peak = Megabytes(PeakKb(yomitoru_));
    const long longestGap = gaps_.empty() ? -1 : *std::max_element(gaps_.begin(), gaps_.end());

    std::printf("Read of newsletter %s (%zu issues + %d listing pages = %zu pages) from %s\n", kNewsletterId,
                issues_.size(), listingPages_, pageCount_, site_.Root().c_str());
    std::printf("load average at start: %s; wget reused its connection %d times\n\n", loadAverage_.c_str(),
                reuses_);
    std::printf("%-9s", "");
    for (int run = 1; run <= kRuns; ++run) std::printf("    run %d", run);
    std::printf("    median   peak RSS  requests\n");
    PrintRow("wget", wget_, wgetMedian);
    PrintRow("yomitoru", yomitoru_, yomitoruMedian);
    std::printf("\n");

    const bool fastEnough = ratio <= kMaxRatio;
    const bool smallEnough = peak < kMaxPeakMegabytes;
    const bool responsive = longestGap >= 0 && longestGap < kMaxGapMs;
    std::printf("%-38s %8.2f   target <= %.2f    %s\n", "time ratio yomitoru / wget (medians)", ratio,
                kMaxRatio, Verdict(fastEnough));
    std::printf("%-38s %5.1f MB   target < %.0f MB    %s\n", "yomitoru peak memory (max RSS)", peak,
                kMaxPeakMegabytes, Verdict(smallEnough));
    std::printf("%-38s %5ld ms   target < %ld ms     %s\n", "yomitoru longest event-loop gap", longestGap,
                kMaxGapMs, Verdict(responsive));
    std::printf("%-38s", "  (gap per run)");
    for (long gap : gaps_) std::printf(" %ld ms", gap);
    std::printf("\n");

    for (const auto& problem : problems_) std::printf("FAILED: %s\n", problem.c_str());
    if (!problems_.empty()) std::printf("run files kept in %s\n", root_.c_str());
    return fastEnough && smallEnough && responsive;
  }

  static void PrintRow(const char* name, const Timings& timings, double median) {
    std::printf("%-9s", name);
    for (const auto& run : timings.runs) std::printf(" %6.2f s", run.seconds);
    std::printf(" %6.2f s  %5.1f MB ", median, Megabytes(PeakKb(timings)));
    for (std::size_t count : timings.requests) std::printf(" %zu", count);
    std::printf("\n");
  }

  static double MedianSeconds(const Timings& timings) {
    std::vector<double> seconds;
    for (const auto& run : timings.runs) seconds.push_back(run.seconds);
    return Median(seconds);
  }

  static long PeakKb(const Timings& timings) {
    long peak = 0;
    for (const auto& run : timings.runs) peak = std::max(peak, run.maxRssKb);
    return peak;
  }

  static std::string Outcome(const RunResult& result) {
    return result.timedOut ? "timed out" : "exited with " + std::to_string(result.exitStatus);
  }

  void Problem(std::string text) { problems_.push_back(std::move(text)); }

  sample_site::SampleSite site_;
  std::vector<sample_site::IssueInfo> issues_;
  int listingPages_ = 0;
  std::size_t pageCount_ = 0;
  std::string topPage_;
  std::string issueBase_;
  fs::path root_;

  std::string loadAverage_;
  int reuses_ = 0;
  Timings wget_;
  Timings yomitoru_;
  std::vector<long> gaps_;
  std::vector<std::string> problems_;
};

}  // namespace

int main() {
  try {
    ReadBench bench;
    return bench.Run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "read_bench: %s\n", error.what());
    return 2;
  }
}
