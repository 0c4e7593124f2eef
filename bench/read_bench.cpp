// Times a headless read of the 1,000-issue sample newsletter into an empty archive
// against wget fetching the same listing and issue pages over one reused connection:
// the read from the press of 読取り until the window is idle again, against wget's whole
// run over the very requests the read made. Prints both medians and their ratio, the
// whole-process times, Yomitoru's peak memory, its longest event-loop gap during the read,
// how fast a Cancel at a random moment of the issue phase shows in the status line, the
// cold start to the first shown window, and the longest event-loop gap of a read whose
// one issue is 4 MiB; exits non-zero when a run is wrong or a
// target is missed. Yomitoru asks for its
// notice at a page that trickles on the whole time, so the gap covers that transfer too.
//
// The sample service runs in this process: its issue list gives the exact pages to
// fetch and the bodies to check the stored files against, and its request log shows
// what each client really asked for. Both clients talk to the same server, so its cost
// falls on both alike.

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/issue_naming.h"
#include "bench_process.h"
#include "platform/text_lines.h"
#include "sample_site/sample_site.h"

namespace fs = std::filesystem;

using namespace bench;

namespace {

constexpr const char* kNewsletterId = "0000900000";
constexpr int kIssueCount = 1000;
constexpr int kListingPages = 50;
constexpr int kRuns = 3;
constexpr int kCancelRuns = 5;

constexpr double kMaxRatio = 1.0;          // the read no slower than wget
constexpr double kMaxPeakMegabytes = 150;  // decimal megabytes
constexpr long kMaxGapMs = 50;
// A read whose one issue is 4 MiB (half the page limit) keeps the window answering too.
constexpr const char* kLargeIssueId = "0000900004";
constexpr std::size_t kLargeIssueBytes = 4u << 20;
constexpr long kMaxLargeIssueGapMs = 100;
constexpr double kMaxCancelMs = 100;
constexpr double kMaxColdStartMs = 300;

const char* const kYomitoruDoneLine = "*** 1000件取得しました ***";  // UTF-8, as printed
const char* const kCancelledLine = "*** キャンセルしました ***";

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
  }

  int Run() {
    loadAverage_ = FirstLine(ReadFile("/proc/loadavg"));
    // An untimed read gives the requests wget is to make, and warms the service's pages.
    RunYomitoru("0", false);
    WriteWgetList();
    CheckWgetReuse();
    // Alternating, so that load from elsewhere on the machine falls on both alike. Run
    // folders stay until the end: on ext4 without a journal, creating a file right after
    // thousands were deleted costs far more, which would charge one run for the last.
    // Each timed run starts with the disk settled: what the build and the run before it
    // wrote is on the disk, so neither client pays for the other's writes.
    for (int run = 1; run <= kRuns; ++run) {
      ::sync();
      RunWget(std::to_string(run));
      ::sync();
      RunYomitoru(std::to_string(run), true);
    }
    for (int run = 1; run <= kCancelRuns; ++run) RunCancel(std::to_string(run));
    for (int run = 1; run <= kRuns; ++run) RunLargeIssue(std::to_string(run));
    const bool targetsMet = Report();
    std::fflush(stdout);
    if (!problems_.empty()) return 2;
    fs::remove_all(root_);
    return targetsMet ? 0 : 1;
  }

 private:
  std::vector<std::string> YomitoruCommand(const fs::path& archive) const {
    return {YOMITORU_EXECUTABLE,      "--archive", archive,  "--service-root", site_.Root(), "--notice-base",
            site_.NoticeBase("slow"), "--read",    topPage_, "--all",          "--quit"};
  }

  // The newsletter's requests among the service's log, in order, as addresses.
  std::vector<std::string> NewsletterRequests() const {
    std::vector<std::string> addresses;
    const std::string prefix = "GET /m/log/";
    for (const std::string& request : site_.Requests()) {
      if (request.rfind(prefix, 0) == 0) addresses.push_back(site_.Root() + request.substr(4));
    }
    return addresses;
  }

  // What the read asked for: the newsletter's requests after the first, which took the
  // address before 読取り was pressed.
  void WriteWgetList() {
    std::vector<std::string> requests = NewsletterRequests();
    if (!requests.empty()) requests.erase(requests.begin());
    readRequests_ = requests;
    if (readRequests_.size() != pageCount_) {
      Problem("the read asked for " + std::to_string(readRequests_.size()) + " pages, not " +
              std::to_string(pageCount_));
    }
    std::ofstream list(root_ / "urls.txt", std::ios::binary);
    for (const std::string& address : readRequests_) list << address << '\n';
  }

  std::vector<std::string> WgetArguments(const fs::path& folder, bool debug) const {
    return WgetCommand(root_ / "urls.txt", folder, debug ? root_ / "wget-debug.log" : fs::path());
  }

  // Untimed: proves that wget reuses its connection.
  void CheckWgetReuse() {
    const RunResult check = RunProcess(WgetArguments(root_ / "wget-check", true), {},
                                       root_ / "wget-check.out", root_ / "wget-check.err");
    reuses_ = CountConnectionReuses(root_ / "wget-debug.log");
    if (check.timedOut || check.exitStatus != 0) Problem("wget check run " + Outcome(check));
    if (reuses_ != static_cast<int>(readRequests_.size()) - 1) {
      Problem("wget reused its connection " + std::to_string(reuses_) + " times, not " +
              std::to_string(readRequests_.size() - 1));
    }
  }

  void RunWget(const std::string& tag) {
    const fs::path folder = root_ / ("wget-" + tag);
    site_.ClearRequests();
    const RunResult result = RunProcess(WgetArguments(folder, false), {}, root_ / ("wget-" + tag + ".out"),
                                        root_ / ("wget-" + tag + ".err"));
    wget_.push_back(result);
    const std::string name = "wget run " + tag;
    if (result.timedOut || result.exitStatus != 0) Problem(name + " " + Outcome(result));
    if (NewsletterRequests() != readRequests_) Problem(name + " did not make the read's requests");
    if (const std::size_t fetched = CountRegularFiles(folder); fetched != readRequests_.size()) {
      Problem(name + " fetched " + std::to_string(fetched) + " files, not " +
              std::to_string(readRequests_.size()));
    }
  }

  void RunYomitoru(const std::string& tag, bool timed) {
    const fs::path archive = root_ / ("archive-" + tag);
    fs::create_directories(archive);
    const fs::path out = root_ / ("yomitoru-" + tag + ".out");
    const fs::path err = root_ / ("yomitoru-" + tag + ".err");
    site_.ClearRequests();
    const RunResult result = RunProcess(YomitoruCommand(archive),
                                        {"QT_QPA_PLATFORM=offscreen", "YOMITORU_BENCH_TRACE=1"}, out, err);
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
    if (!timed) return;
    std::vector<std::string> requests = NewsletterRequests();
    if (!requests.empty()) requests.erase(requests.begin());
    if (requests != readRequests_) Problem(name + " made other requests than the first read");
    const auto shown = FindTrace(errors, "window-shown");
    const auto pressed = FindTrace(errors, "read-pressed");
    const auto idle = FindTrace(errors, "read-idle");
    if (!shown || !pressed || !idle) {
      Problem(name + " traced no window, press or idle");
      return;
    }
    yomitoru_.push_back(result);
    readSeconds_.push_back(Milliseconds(idle->at - pressed->at) / 1000);
    coldStartsMs_.push_back(Milliseconds(shown->at - result.started));
    gaps_.push_back(std::strtol(idle->detail.c_str(), nullptr, 10));
  }

  // A newsletter of three issues, the middle one of 4 MiB: the longest event-loop gap of
  // its read.
  void RunLargeIssue(const std::string& tag) {
    sample_site::SampleNewsletter large = site_.Newsletters().front();
    large.id = kLargeIssueId;
    large.issueCount = 3;
    site_.SetNewsletter(large);
    const auto issues = site_.Issues(kLargeIssueId);
    site_.SetFault("/m/log/" + std::string(kLargeIssueId) + "/" + issues.at(1).pathTail,
                   {sample_site::Fault::kLarge, 200, kLargeIssueBytes});
    const fs::path archive = root_ / ("large-" + tag);
    const fs::path err = root_ / ("large-" + tag + ".err");
    const RunResult result = RunProcess(
        {YOMITORU_EXECUTABLE, "--archive", archive, "--service-root", site_.Root(), "--read",
         site_.NewsletterAddress(kLargeIssueId), "--all", "--quit"},
        {"QT_QPA_PLATFORM=offscreen", "YOMITORU_BENCH_TRACE=1"}, root_ / ("large-" + tag + ".out"), err);
    site_.ClearFaults();
    const std::string name = "large-issue run " + tag;
    const auto idle = FindTrace(ReadFile(err), "read-idle");
    std::error_code error;
    const auto stored =
        fs::file_size(archive / "magumagu" / kLargeIssueId / IssueFileName(issues.at(1).key, 0), error);
    if (result.timedOut || result.exitStatus != 0 || !idle || error || stored < kLargeIssueBytes * 9 / 10) {
      Problem(name + " did not store the large issue (" + Outcome(result) + ")");
      return;
    }
    largeIssueGaps_.push_back(std::strtol(idle->detail.c_str(), nullptr, 10));
  }

  // Cancel at a random moment of the issue phase, by SIGTERM (the scripted read's Cancel);
  // the latency runs from the signal to the cancel shown in the status line.
  void RunCancel(const std::string& tag) {
    static std::mt19937 random(std::random_device{}());
    // Early enough that the read surely still runs when the signal comes.
    const std::size_t cancelAfter = listingPages_ + 1 + random() % (issues_.size() * 7 / 10);
    const fs::path archive = root_ / ("cancel-" + tag);
    const fs::path err = root_ / ("cancel-" + tag + ".err");
    site_.ClearRequests();
    std::optional<Clock::time_point> sent;
    const RunResult result =
        RunProcess(YomitoruCommand(archive), {"QT_QPA_PLATFORM=offscreen", "YOMITORU_BENCH_TRACE=1"},
                   root_ / ("cancel-" + tag + ".out"), err, [&](pid_t group) {
                     if (sent || NewsletterRequests().size() < cancelAfter + 1) return;
                     // The program itself, not GNU time around it.
                     std::istringstream children(ReadFile("/proc/" + std::to_string(group) + "/task/" +
                                                          std::to_string(group) + "/children"));
                     pid_t program = 0;
                     if (!(children >> program)) return;
                     sent = Clock::now();
                     kill(program, SIGTERM);
                   });
    const std::string name = "cancel run " + tag;
    const auto shown = FindTrace(ReadFile(err), "cancel-shown");
    if (!sent || !shown ||
        ReadFile(root_ / ("cancel-" + tag + ".out")).find(kCancelledLine) == std::string::npos) {
      Problem(name + " was not cancelled (" + Outcome(result) + ")");
      return;
    }
    cancelMs_.push_back(Milliseconds(shown->at - *sent));
  }

  // Prints the table and the verdicts; true when every target is met.
  bool Report() const {
    std::vector<double> wgetSeconds, yomitoruSeconds;
    for (const auto& run : wget_) wgetSeconds.push_back(run.seconds);
    for (const auto& run : yomitoru_) yomitoruSeconds.push_back(run.seconds);
    const double ratio = Median(readSeconds_) / Median(wgetSeconds);
    long peakKb = 0;
    for (const auto& run : yomitoru_) peakKb = std::max(peakKb, run.maxRssKb);
    const double peak = Megabytes(peakKb);
    const long longestGap = gaps_.empty() ? -1 : *std::max_element(gaps_.begin(), gaps_.end());
    const double slowestCancel =
        cancelMs_.empty() ? -1 : *std::max_element(cancelMs_.begin(), cancelMs_.end());
    const double slowestStart =
        coldStartsMs_.empty() ? -1 : *std::max_element(coldStartsMs_.begin(), coldStartsMs_.end());
    const long longestLargeGap =
        largeIssueGaps_.empty() ? -1 : *std::max_element(largeIssueGaps_.begin(), largeIssueGaps_.end());

    std::printf("Read of newsletter %s (%zu issues + %d listing pages = %zu pages) from %s\n", kNewsletterId,
                issues_.size(), listingPages_, pageCount_, site_.Root().c_str());
    std::printf("load average at start: %s; wget reused its connection %d times\n\n", loadAverage_.c_str(),
                reuses_);
    std::printf("%-30s", "");
    for (int run = 1; run <= kRuns; ++run) std::printf("    run %d", run);
    std::printf("    median\n");
    PrintRow("wget, whole run", wgetSeconds, " s", 3);
    PrintRow("yomitoru, the read", readSeconds_, " s", 3);
    PrintRow("yomitoru, whole process", yomitoruSeconds, " s", 3);
    PrintRow("yomitoru, cold start", coldStartsMs_, "ms", 0);
    PrintRow("yomitoru, cancel shown after", cancelMs_, "ms", 0);
    std::vector<double> largeGaps(largeIssueGaps_.begin(), largeIssueGaps_.end());
    PrintRow("yomitoru, gap with a 4 MiB issue", largeGaps, "ms", 0);
    std::printf("\n");

    const bool fastEnough = ratio > 0 && ratio <= kMaxRatio;
    const bool smallEnough = peak > 0 && peak < kMaxPeakMegabytes;
    const bool responsive = longestGap >= 0 && longestGap < kMaxGapMs;
    const bool cancelQuick = slowestCancel >= 0 && slowestCancel < kMaxCancelMs;
    const bool startQuick = slowestStart >= 0 && slowestStart < kMaxColdStartMs;
    const bool largeResponsive = longestLargeGap >= 0 && longestLargeGap < kMaxLargeIssueGapMs;
    std::printf("%-44s %8.2f     target <= %.2f    %s\n", "time ratio, read / wget (medians)", ratio,
                kMaxRatio, Verdict(fastEnough));
    std::printf("%-44s %7.1f MB   target < %.0f MB    %s\n", "yomitoru peak memory (max RSS)", peak,
                kMaxPeakMegabytes, Verdict(smallEnough));
    std::printf("%-44s %7ld ms   target < %ld ms     %s\n", "longest event-loop gap during a read",
                longestGap, kMaxGapMs, Verdict(responsive));
    std::printf("%-44s %7.0f ms   target < %.0f ms    %s\n", "slowest cancel shown in the status line",
                slowestCancel, kMaxCancelMs, Verdict(cancelQuick));
    std::printf("%-44s %7.0f ms   target < %.0f ms    %s\n", "slowest cold start to the shown window",
                slowestStart, kMaxColdStartMs, Verdict(startQuick));
    std::printf("%-44s %7ld ms   target < %ld ms    %s\n", "longest event-loop gap, a 4 MiB issue",
                longestLargeGap, kMaxLargeIssueGapMs, Verdict(largeResponsive));
    for (const auto& problem : problems_) std::printf("FAILED: %s\n", problem.c_str());
    if (!problems_.empty()) std::printf("run files kept in %s\n", root_.c_str());
    return fastEnough && smallEnough && responsive && cancelQuick && startQuick && largeResponsive;
  }

  static void PrintRow(const char* name, const std::vector<double>& values, const char* unit, int decimals) {
    std::printf("%-30s", name);
    for (double value : values) std::printf(" %6.*f%s", decimals, value, unit);
    std::printf(" %6.*f%s\n", decimals, Median(values), unit);
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
  std::vector<std::string> readRequests_;

  std::string loadAverage_;
  int reuses_ = 0;
  std::vector<RunResult> wget_;
  std::vector<RunResult> yomitoru_;
  std::vector<double> readSeconds_;
  std::vector<double> coldStartsMs_;
  std::vector<double> cancelMs_;
  std::vector<long> gaps_;
  std::vector<long> largeIssueGaps_;
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
