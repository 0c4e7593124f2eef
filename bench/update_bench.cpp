// Times `yomitoru --update-all --quit` over an archive of 100 newsletters of 10 issues each,
// all stored, ten of which have published one new issue, against wget fetching the very
// requests the refresh made (the service's log gives them), in its order, over one
// connection. Target: the refresh takes at most wget's time + 100 ms for each newsletter
// whose read shows a result page (the ten with a new issue) + 20 ms for each newsletter,
// its longest event-loop gap stays under 50 ms and its peak memory under 200 MB. Medians
// of 3 runs, each from a fresh copy of the stored archive.

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_process.h"
#include "sample_site/sample_site.h"

using namespace bench;

namespace {

constexpr int kNewsletters = 100;
constexpr int kIssuesEach = 10;
constexpr int kWithNewIssue = 10;
constexpr int kRuns = 3;
constexpr double kPerShownResultMs = 100;
constexpr double kPerNewsletterMs = 20;
constexpr long kMaxGapMs = 50;
constexpr double kMaxPeakMegabytes = 200;

std::string Id(int number) {
  char id[16];
  std::snprintf(id, sizeof id, "%010d", 300000 + number);
  return id;
}

std::vector<sample_site::SampleNewsletter> Newsletters() {
  std::vector<sample_site::SampleNewsletter> list;
  for (int number = 1; number <= kNewsletters; ++number) {
    sample_site::SampleNewsletter newsletter;
    newsletter.id = Id(number);
    newsletter.title = "ベンチマーク通信 " + std::to_string(number);
    newsletter.issueCount = kIssuesEach;
    newsletter.issuesPerPage = kIssuesEach;
    newsletter.theme = number;
    list.push_back(newsletter);
  }
  return list;
}

class UpdateBench {
 public:
  UpdateBench() : site_(Newsletters()) {
    site_.Start();
    root_ = fs::temp_directory_path() / ("yomitoru-update-bench-" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }

  int Run() {
    // Every newsletter read once into the stored archive, then ten publish one issue more.
    for (int number = 1; number <= kNewsletters; ++number) {
      const RunResult read =
          Yomitoru({"--read", site_.NewsletterAddress(Id(number)), "--quit"}, root_ / "stored", "store");
      if (read.exitStatus != 0) return Fail("storing " + Id(number) + " " + Outcome(read));
    }
    for (int number = 1; number <= kWithNewIssue; ++number) site_.AddNewerIssue(Id(number * 10));

    for (int run = 1; run <= kRuns; ++run) {
      const fs::path archive = root_ / ("archive-" + std::to_string(run));
      fs::copy(root_ / "stored", archive, fs::copy_options::recursive);
      site_.ClearRequests();
      ::sync();
      const RunResult result = Yomitoru({"--update-all", "--quit"}, archive, "update-" + std::to_string(run),
                                        {"YOMITORU_BENCH_TRACE=1"});
      const std::string printed = ReadFile(root_ / ("update-" + std::to_string(run) + ".out"));
      const std::string expected = "新着 " + std::to_string(kWithNewIssue) + "号";
      if (result.exitStatus != 0 || printed.find(expected) == std::string::npos)
        return Fail("update run " + std::to_string(run) + " " + Outcome(result) + ": " + printed);
      const auto done =
          FindTrace(ReadFile(root_ / ("update-" + std::to_string(run) + ".err")), "update-done");
      if (!done) return Fail("update run " + std::to_string(run) + " traced no end");
      updateSeconds_.push_back(Milliseconds(done->at - result.started) / 1000);
      gaps_.push_back(std::strtol(done->detail.c_str(), nullptr, 10));
      peakKb_ = std::max(peakKb_, result.maxRssKb);
      if (run == 1) WriteRequestList();
    }
    for (int run = 1; run <= kRuns; ++run) {
      ::sync();
      const std::string tag = "wget-" + std::to_string(run);
      const RunResult result = RunProcess(WgetCommand(root_ / "urls.txt", root_ / tag, {}), {},
                                          root_ / (tag + ".out"), root_ / (tag + ".err"));
      if (result.exitStatus != 0) return Fail(tag + " " + Outcome(result));
      wgetSeconds_.push_back(result.seconds);
    }
    const bool met = Report();
    fs::remove_all(root_);
    return met ? 0 : 1;
  }

 private:
  RunResult Yomitoru(std::vector<std::string> arguments, const fs::path& archive, const std::string& tag,
                     std::vector<std::string> environment = {}) {
    std::vector<std::string> command = {YOMITORU_EXECUTABLE, "--archive", archive, "--service-root",
                                        site_.Root()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    return RunProcess(command, environment, root_ / (tag + ".out"), root_ / (tag + ".err"));
  }

  void WriteRequestList() {
    std::ofstream list(root_ / "urls.txt", std::ios::binary);
    for (const std::string& request : site_.Requests()) {
      if (request.rfind("GET ", 0) == 0) list << site_.Root() << request.substr(4) << '\n';
      ++requests_;
    }
  }

  bool Report() const {
    const double update = Median(updateSeconds_);
    const double wget = Median(wgetSeconds_);
    const double allowed =
        wget + (kWithNewIssue * kPerShownResultMs + kNewsletters * kPerNewsletterMs) / 1000;
    const long gap = *std::max_element(gaps_.begin(), gaps_.end());
    const double peak = Megabytes(peakKb_);
    std::printf("Refresh of %d newsletters (%d with a new issue): %zu requests from %s\n\n", kNewsletters,
                kWithNewIssue, requests_, site_.Root().c_str());
    PrintRow("wget, whole run", wgetSeconds_);
    PrintRow("yomitoru --update-all, to the summary", updateSeconds_);
    std::printf("%-40s", "longest event-loop gap");
    for (const long value : gaps_) std::printf(" %6ld ms", value);
    std::printf("\n");
    std::printf("\n");
    const bool fast = update <= allowed;
    const bool responsive = gap < kMaxGapMs;
    const bool small = peak > 0 && peak < kMaxPeakMegabytes;
    std::printf("%-44s %7.3f s    target <= %.3f s   %s\n", "refresh (median)", update, allowed,
                Verdict(fast));
    std::printf("%-44s %7ld ms   target < %ld ms     %s\n", "longest event-loop gap during a refresh", gap,
                kMaxGapMs, Verdict(responsive));
    std::printf("%-44s %7.1f MB   target < %.0f MB    %s\n", "yomitoru peak memory (max RSS)", peak,
                kMaxPeakMegabytes, Verdict(small));
    return fast && responsive && small;
  }

  static void PrintRow(const char* name, const std::vector<double>& seconds) {
    std::printf("%-40s", name);
    for (const double value : seconds) std::printf(" %6.3f s", value);
    std::printf("   median %6.3f s\n", Median(seconds));
  }

  static std::string Outcome(const RunResult& result) {
    return result.timedOut ? "timed out" : "exited with " + std::to_string(result.exitStatus);
  }

  int Fail(const std::string& problem) {
    std::printf("FAILED: %s\nrun files kept in %s\n", problem.c_str(), root_.c_str());
    return 2;
  }

  sample_site::SampleSite site_;
  fs::path root_;
  std::vector<double> updateSeconds_;
  std::vector<double> wgetSeconds_;
  std::vector<long> gaps_;
  long peakKb_ = 0;
  std::size_t requests_ = 0;
};

}  // namespace

int main() {
  try {
    UpdateBench bench;
    return bench.Run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "update_bench: %s\n", error.what());
    return 2;
  }
}
