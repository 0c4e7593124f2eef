// Times 全 in the real main window, offscreen, over the 1,000 issues of the large sample
// newsletter: from the click until the view shows the joined page and the status line
// reads "** 結合完成(…) **". Prints every run, the median and the longest event-loop gap;
// exits non-zero when a run is wrong or a target is missed.
//
// The issues are stored first by a real read from the sample service in this process,
// untimed, so the join works on files the program itself wrote.

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/event_gap_probe.h"
#include "app/main_window.h"
#include "app/message_pump.h"
#include "archive/issue_naming.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "retrieval/service_table.h"
#include "sample_site/sample_site.h"
#include "viewer/html_view.h"
#include "viewer/qt_text.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kNewsletterId = "0000900000";
constexpr std::size_t kIssueCount = 1000;
constexpr int kRuns = 5;
constexpr qint64 kReadLimitMs = 300'000;
constexpr qint64 kJoinLimitMs = 30'000;  // a join that hangs is given up, not waited for

constexpr double kMaxSeconds = 1.0;
constexpr qint64 kMaxGapMs = 50;

// Runs the event loop until `done` or the limit; false on the limit.
bool RunUntil(const std::function<bool()>& done, qint64 limitMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// Lets the window finish what the last page left to do (the view lays out a long page in
// steps after showing it), so that a run measures its own join only: returns once the
// event loop has gone half a second without a gap of 20 ms, or after ten seconds.
void SettleDown() {
  QElapsedTimer quiet;
  QElapsedTimer sinceTick;
  quiet.start();
  sinceTick.start();
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (sinceTick.restart() > 20) quiet.restart();
  });
  tick.start(1);
  RunUntil([&] { return quiet.elapsed() > 500; }, 10'000);
}

const char* Verdict(bool met) { return met ? "ok" : "MISSED"; }

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  InstallThrottledMessagePump();  // the program's own

  sample_site::SampleSite site;
  site.Start();
  const fs::path root = fs::temp_directory_path() / ("yomitoru-join-bench-" + std::to_string(getpid()));
  fs::remove_all(root);
  std::vector<std::string> problems;

  {
    SharedState state;
    TForm1 form(state);
    form.archiveFolder = root / "log";
    form.serviceTable = MakeServiceTable(site.Root());
    form.show();

    form.Edit1->setText(QString::fromStdString(site.NewsletterAddress(kNewsletterId)));
    form.RadioG2->SetItemIndex(1);
    form.B_Check->click();
    const bool read = RunUntil([&] { return !form.IsReadPosted() && !form.IsReading(); }, kReadLimitMs);
    const std::vector<sample_site::IssueInfo> issues = site.Issues(kNewsletterId);
    if (!read || MemoLines(*form.Memo3).size() != kIssueCount || issues.size() != kIssueCount) {
      std::printf("FAILED: the read did not store %zu issues (status: %s)\n", kIssueCount,
                  form.Label1->text().toStdString().c_str());
      return 2;
    }
    // Newest first: the banner names the newest issue first.
    const QString expectedStatus =
        Utf8("** 結合完成(") + ToQString(IssueListKey(IssueFileName(issues.front().key, 0), 0)) +
        Utf8("号～") + ToQString(IssueListKey(IssueFileName(issues.back().key, 0), 0)) + Utf8("号) **");

    std::string loadAverage;
    if (std::FILE* file = std::fopen("/proc/loadavg", "r")) {
      char line[128] = {};
      if (std::fgets(line, sizeof line, file) != nullptr) loadAverage = line;
      std::fclose(file);
      if (!loadAverage.empty() && loadAverage.back() == '\n') loadAverage.pop_back();
    }
    std::vector<double> seconds;
    std::vector<qint64> gaps;
    for (int run = 1; run <= kRuns; ++run) {
      form.Label1->clear();
      SettleDown();
      EventGapProbe probe;
      QElapsedTimer timer;
      QTimer::singleShot(0, &form, [&] {
        timer.start();
        form.B_allm->click();
      });
      const bool joined = RunUntil(
          [&] {
            return timer.isValid() && form.Label1->text() == expectedStatus && !form.WebB1->IsBusy() &&
                   form.WebB1->isVisible();
          },
          kJoinLimitMs);
      seconds.push_back(timer.elapsed() / 1000.0);
      gaps.push_back(probe.LongestGapMs());
      if (!joined) {
        problems.push_back("run " + std::to_string(run) +
                           " did not finish; status: " + form.Label1->text().toStdString());
        continue;
      }
      const std::size_t lines = form.WebB1->document()->blockCount();
      if (state.ResultText.size() < kIssueCount * 60 || lines < kIssueCount * 60) {
        problems.push_back("run " + std::to_string(run) + " shows " + std::to_string(lines) + " lines");
      }
    }

    std::printf("全 over newsletter %s (%zu issues, %zu lines, %.1f MB page) in the main window\n",
                kNewsletterId, kIssueCount, state.ResultText.size(),
                fs::file_size(form.WebB1->CurrentFile()) / 1e6);
    std::printf("load average at start: %s\n\n", loadAverage.c_str());
    std::printf("%-12s", "");
    for (int run = 1; run <= kRuns; ++run) std::printf("   run %d", run);
    std::printf("   median\n%-12s", "time");
    for (double s : seconds) std::printf(" %5.2f s", s);
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::printf(" %6.2f s\n%-12s", median, "longest gap");
    for (qint64 gap : gaps) std::printf(" %4lld ms", static_cast<long long>(gap));
    const qint64 longestGap = *std::max_element(gaps.begin(), gaps.end());
    std::printf("\n\n");

    const bool fastEnough = median < kMaxSeconds;
    const bool responsive = longestGap < kMaxGapMs;
    std::printf("%-36s %5.2f s    target < %.0f s     %s\n", "join time (median)", median, kMaxSeconds,
                Verdict(fastEnough));
    std::printf("%-36s %5lld ms   target < %lld ms   %s\n", "longest event-loop gap (all runs)",
                static_cast<long long>(longestGap), static_cast<long long>(kMaxGapMs), Verdict(responsive));
    for (const std::string& problem : problems) std::printf("FAILED: %s\n", problem.c_str());
    std::fflush(stdout);
    if (!problems.empty()) return 2;
    form.close();
    SetMessagePump({});
    fs::remove_all(root);
    return fastEnough && responsive ? 0 : 1;
  }
}
