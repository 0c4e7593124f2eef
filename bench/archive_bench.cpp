// Times the archive's log update over a newsletter folder of 10,000 issue files, the INI
// reader over an index of 10,000 newsletters, the list window over that index (shown and
// sorted), and opening the newsletter of 10,000 issues from the list window. Prints the
// median of several runs.

#include <unistd.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "archive/issue_naming.h"
#include "archive/magazine_log.h"
#include "archive/windows/newsletter_list_window.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/ini.h"

namespace fs = std::filesystem;

namespace {

constexpr int kIssues = 10'000;
constexpr int kNewsletters = 10'000;
constexpr int kRuns = 7;

double MedianMilliseconds(const std::function<void()>& work) {
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::string IssueKey(int index) {
  // One issue every day at varying times, going back from 2026.
  const int day = index % 28 + 1;
  const int month = index / 28 % 12 + 1;
  const int year = 2026 - index / (28 * 12);
  char key[32];
  std::snprintf(key, sizeof key, "%04d/%02d/%02d %02d:%02d", year, month, day, index % 24, index % 60);
  return key;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const fs::path root = fs::temp_directory_path() / ("yomitoru-bench-" + std::to_string(getpid()));
  SharedState state;
  state.ArchiveRoot = root / "log";
  state.MagazineId = "0000900000";
  state.MagazineTitle = cp932::FromUtf8("大容量サンプルマガジン");
  state.ServiceLogBase = "http://127.0.0.1:8080/m/log";
  const fs::path folder = state.ArchiveRoot / "magumagu" / state.MagazineId;
  fs::create_directories(folder);
  std::string shownList;
  for (int i = 0; i < kIssues; ++i) {
    const std::string fileName = IssueFileName(IssueKey(i), 0);
    std::ofstream(folder / fileName) << "issue\r\n";
    if (i >= 2) shownList += "*" + IssueListKey(fileName, 0) + "*\r\n";  // two issues are new
  }
  shownList += "x";

  const double update = MedianMilliseconds([&] { UpdateMagazineLog(state, shownList, false); });
  std::printf("UpdateMagazineLog, %d issue files (scan, list keys, sort, index line): %.1f ms\n", kIssues,
              update);

  std::string index = "[magumagu]\r\n";
  for (int i = 0; i < kNewsletters; ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "%010d", 100'000 + i);
    index += std::string(id) + "=" + cp932::FromUtf8("サンプル通信その") + std::to_string(i) +
             ",2026/12/07 10:00:00," + cp932::FromUtf8("毎週 月曜日") + ",2026/12/07,12345,57\r\n";
  }
  const fs::path indexFile = root / "log_all.ini";
  std::ofstream(indexFile, std::ios::binary) << index;
  const double section = MedianMilliseconds([&] { ReadIniSection(indexFile, "magumagu"); });
  const double lastKey = MedianMilliseconds([&] { ReadIniValue(indexFile, "magumagu", "0000109999"); });
  int writes = 0;
  const double write = MedianMilliseconds(
      [&] { WriteIniValue(indexFile, "magumagu", "0000105000", "changed " + std::to_string(++writes)); });
  std::printf("INI index of %d newsletters: whole section %.1f ms, last key %.2f ms, one write %.1f ms\n",
              kNewsletters, section, lastKey, write);

  // The list window over the same index, shown (filled and painted) and sorted.
  SharedState listState;
  listState.ArchiveRoot = root;
  TForm4 list(listState);
  const double show = MedianMilliseconds([&] {
    list.show();
    QCoreApplication::processEvents();
    list.hide();
  });
  list.show();
  const double sort = MedianMilliseconds([&] {
    list.SortMagazineList(3);
    QCoreApplication::processEvents();
  });
  list.hide();
  std::printf("List window over %d newsletters: show (fill) %.1f ms, one sort %.1f ms\n", kNewsletters, show,
              sort);

  // 履歴から参照 on the archive of the 10,000-issue newsletter: the list window comes up,
  // its row is chosen, the folder is rescanned read-only and the issue list filled in order.
  SharedState mainState;
  TForm1 form(mainState);
  TForm4 chooser(mainState, &form);
  form.Form4 = &chooser;
  form.archiveFolder = state.ArchiveRoot;
  form.show();
  const double open = MedianMilliseconds([&] {
    QTimer::singleShot(0, &chooser, [&] { chooser.Bt_sel->click(); });
    form.B_readClick();
  });
  std::printf("Opening a newsletter of %d stored issues from the list window: %.1f ms (%d lines listed)\n",
              kIssues, open, form.Memo3->blockCount() - 1);

  fs::remove_all(root);
  return update < 100 && section < 100 && lastKey < 100 && show < 300 && sort < 300 && open < 300 ? 0 : 1;
}
