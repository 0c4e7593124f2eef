#pragma once
// 一括読取: the 未読取分 of every newsletter in the list window, one after another, each
// read by the main window exactly as a press of 読取り on its stored address would, while
// the list window shows the progress. Only one such run goes on per archive (a lock file
// in the archive root, held for the whole run); single reads keep the archive lock.

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "app/update_summary.h"
#include "platform/dialogs.h"

class ArchiveLock;
class EventGapProbe;
class TForm1;
class TForm4;

class ArchiveUpdate final : public QObject {
  Q_OBJECT

 public:
  // The text of a second run's refusal (UTF-8).
  static constexpr const char* kBusyText = "一括読取は実行中です";

  // Answers the list window's 一括読取 and 中止.
  ArchiveUpdate(TForm1& form, TForm4& list);
  ~ArchiveUpdate() override;

  // Starts with the newsletters the list shows, in its order; false (after saying why)
  // when another run holds the archive or the list is empty.
  bool Start();
  // The read in flight ends as a Cancel does, and nothing after it is read.
  void Cancel();
  bool Running() const { return running_; }
  // Why the last Start failed: another run holds the archive.
  bool RefusedAsBusy() const { return refusedAsBusy_; }

  const std::vector<NewsletterUpdate>& Done() const { return done_; }
  std::size_t Total() const { return ids_.size(); }
  bool Cancelled() const { return cancelled_; }

 Q_SIGNALS:
  void NewsletterFinished(const NewsletterUpdate& update);
  void Finished();

 private:
  // Messages a read would show go into its result instead: nobody waits at the screen.
  class CollectingDialogs final : public Dialogs {
   public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool Ask(const std::string&, QuestionButtons) override { return false; }
    std::optional<SaveChoice> ChooseSaveFile(const std::string&, const std::vector<std::string>&,
                                             int) override {
      return std::nullopt;
    }
    void OpenAddress(const std::string&) override {}
    std::vector<std::string> messages;
  };

  void ReadNext();
  void ReadEnded();
  void Record(NewsletterUpdate update);
  void Finish();

  TForm1& form_;
  TForm4& list_;
  std::vector<std::string> ids_;
  std::size_t next_ = 0;
  NewsletterUpdate current_;
  bool reading_ = false;
  bool running_ = false;
  bool cancelled_ = false;
  bool refusedAsBusy_ = false;
  std::vector<NewsletterUpdate> done_;
  std::unique_ptr<ArchiveLock> lock_;
  CollectingDialogs dialogs_;
  Dialogs* previousDialogs_ = nullptr;
  // For the benchmarks: the longest wait of the event loop during the run.
  std::unique_ptr<EventGapProbe> gapProbe_;
};
