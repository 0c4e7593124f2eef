#pragma once
// One main window reading from a sample service into its own archive, for the window
// tests of reading.

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "archive/windows/newsletter_list_window.h"
#include "platform/text_lines.h"
#include "sample_site/sample_site.h"
#include "support/service_requests.h"
#include "support/test_support.h"
#include "viewer/qt_text.h"

struct Reader {
  static constexpr int kReadTimeoutMs = 120'000;

  explicit Reader(const sample_site::SampleSite& site) : form(state) {
    form.archiveFolder = archive.path() / "log";
    form.serviceTable = MakeServiceTable(site.Root());
    form.show();
  }

  // Types the address, presses 読取り and waits until the window is idle again.
  bool Read(const std::string& address) {
    form.Edit1->setText(QString::fromStdString(address));
    QTest::mouseClick(form.B_Check, Qt::LeftButton);
    return WaitIdle();
  }
  bool WaitIdle() {
    QElapsedTimer timer;
    timer.start();
    while ((form.IsReadPosted() || form.IsReading()) && timer.elapsed() < kReadTimeoutMs) QTest::qWait(10);
    return !form.IsReadPosted() && !form.IsReading();
  }
  std::string Status() const { return form.Label1->text().toStdString(); }
  StringList IssueList() const { return MemoLines(*form.Memo3); }
  std::filesystem::path Folder(const std::string& id) const {
    return archive.path() / "log" / "magumagu" / id;
  }
  int StoredFiles(const std::string& id) const {
    int count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(id), error))
      count += entry.path().extension() == ".txt";
    return count;
  }

  TempFolder archive;
  RecordingDialogs dialogs;
  SharedState state;
  TForm1 form;
};

// The main window and its list window on one archive, wired as the program wires them
// (the list window keeping the search index up to date when `withSearchIndex`).
struct ProgramWithList {
  ProgramWithList(const sample_site::SampleSite& site, const std::filesystem::path& archive,
                  bool withSearchIndex)
      : form(state), list(state, &form, withSearchIndex ? &form.searchIndex : nullptr) {
    form.archiveFolder = archive;
    form.serviceTable = MakeServiceTable(site.Root());
    form.Form4 = &list;
    form.show();
  }
  void Read(const std::string& address) {
    form.Edit1->setText(QString::fromStdString(address));
    QTest::mouseClick(form.B_Check, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form.IsReadPosted() && !form.IsReading(), 60'000);
  }

  RecordingDialogs dialogs;
  SharedState state;
  TForm1 form;
  TForm4 list;
};

// Clicks キャンセル as soon as the status line shows `stage` and `afterFiles` issue files of
// `id` are stored, as a user watching it would.
inline void CancelWhenStatusShows(Reader& reader, const QString& stage, int afterFiles = 0,
                                  const std::string& id = "0000100001") {
  auto* watcher = new QTimer(&reader.form);
  QObject::connect(watcher, &QTimer::timeout, watcher, [&reader, watcher, stage, afterFiles, id] {
    if (reader.form.Label1->text().contains(stage) && reader.StoredFiles(id) >= afterFiles) {
      QTest::mouseClick(reader.form.bt_can, Qt::LeftButton);
      watcher->stop();
    }
  });
  watcher->start(1);
}
