#include "app/archive_update.h"

#include <QLabel>
#include <QTimer>
#include <chrono>

#include "app/event_gap_probe.h"
#include "app/main_window.h"
#include "archive/archive_lock.h"
#include "archive/magazine_list.h"
#include "archive/magazine_log.h"
#include "archive/windows/newsletter_list_window.h"
#include "platform/bench_trace.h"
#include "platform/cp932.h"
#include "platform/fs.h"
#include "platform/ini.h"
#include "platform/sjis.h"
#include "viewer/qt_text.h"

ArchiveUpdate::ArchiveUpdate(TForm1& form, TForm4& list) : form_(form), list_(list) {
  connect(&list_, &TForm4::UpdateAllRequested, this, [this] { Start(); });
  connect(&list_, &TForm4::UpdateCancelRequested, this, &ArchiveUpdate::Cancel);
  connect(&form_, &TForm1::ReadEnded, this, &ArchiveUpdate::ReadEnded);
}

ArchiveUpdate::~ArchiveUpdate() {
  if (running_) InstallDialogs(previousDialogs_);
}

bool ArchiveUpdate::Start() {
  if (running_) return false;
  refusedAsBusy_ = false;
  const std::filesystem::path root = form_.state.ArchiveRoot;
  lock_ = std::make_unique<ArchiveLock>(root, std::chrono::milliseconds(0), ArchiveLock::kUpdateFileName);
  if (lock_->Busy()) {
    lock_.reset();
    refusedAsBusy_ = true;
    CurrentDialogs().ShowMessage(cp932::FromUtf8(kBusyText));
    return false;
  }
  ids_ = list_.ListedMagazineIds();
  if (ids_.empty()) {
    lock_.reset();
    return false;
  }
  next_ = 0;
  done_.clear();
  cancelled_ = false;
  running_ = true;
  previousDialogs_ = InstalledDialogs();
  InstallDialogs(&dialogs_);
  if (BenchTraceEnabled()) gapProbe_ = std::make_unique<EventGapProbe>();
  list_.SetUpdateRunning(true);
  ReadNext();
  return true;
}

void ArchiveUpdate::Cancel() {
  if (!running_) return;
  cancelled_ = true;
  if (reading_) form_.bt_canClick();
}

void ArchiveUpdate::ReadNext() {
  if (cancelled_ || next_ == ids_.size()) return Finish();
  current_ = {};
  current_.id = ids_[next_++];
  const std::filesystem::path index = ArchiveIndexFile(form_.state.ArchiveRoot);
  current_.title = CutIndexLine(current_.id + "=" + ReadIniValue(index, kServiceFolderName, current_.id))[2];
  list_.SelectMagazineRow(current_.id);
  list_.ShowUpdateText(
      cp932::FromUtf8("一括読取中 " + std::to_string(next_) + "/" + std::to_string(ids_.size()) + ": ") +
      current_.title);
  std::string address;
  if (IsPlainName(current_.id)) {
    address = ReadIniValue(MagazineLogFile(NewsletterFolder(form_.state.ArchiveRoot, current_.id)),
                           current_.id, "Url");
  }
  dialogs_.messages.clear();
  reading_ = !address.empty() && form_.StartUpdateRead(address);
  if (reading_) return;
  // No address to read from: nothing is asked of any service.
  current_.result = cp932::FromUtf8("URLが間違っています。");
  current_.error = true;
  Record(std::move(current_));
  QTimer::singleShot(0, this, &ArchiveUpdate::ReadNext);
}

void ArchiveUpdate::ReadEnded() {
  if (!reading_) return;
  reading_ = false;
  const RetrievalDriver& driver = form_.Driver();
  const ReadEnd end = driver.LastEnd();
  current_.result =
      end == ReadEnd::kNotRead ? cp932::FromUtf8("URLが間違っています。") : FromQString(form_.Label1->text());
  // What a message box would have said, on the result's one line.
  for (const std::string& message : dialogs_.messages) {
    current_.result.append(" ").append(sjis::ReplaceAll(NormalizeLineBreaks(message), "\r\n", " "));
  }
  current_.read = end == ReadEnd::kComplete || end == ReadEnd::kIncomplete;
  current_.complete = end == ReadEnd::kComplete;
  current_.error = end == ReadEnd::kFailed || end == ReadEnd::kNotRead;
  current_.newIssues = driver.StoredCount();
  current_.notStored = driver.LeftOutCount();
  if (end == ReadEnd::kCancelled) cancelled_ = true;
  Record(std::move(current_));
  // The next read starts once this one has wholly unwound.
  QTimer::singleShot(0, this, &ArchiveUpdate::ReadNext);
}

void ArchiveUpdate::Record(NewsletterUpdate update) {
  list_.RefreshMagazineRow(update.id);
  if (update.error) list_.MarkMagazineError(update.id);
  done_.push_back(std::move(update));
  Q_EMIT NewsletterFinished(done_.back());
}

void ArchiveUpdate::Finish() {
  running_ = false;
  InstallDialogs(previousDialogs_);
  lock_.reset();
  list_.ShowUpdateText(UpdateSummary(done_, ids_.size(), cancelled_));
  list_.SetUpdateRunning(false);
  if (gapProbe_) TraceMoment("update-done", std::to_string(gapProbe_->LongestGapMs()));
  gapProbe_.reset();
  Q_EMIT Finished();
}
