#pragma once
// What a refresh of the whole archive (一括読取) came to, newsletter by newsletter and in
// sum. Texts are Shift-JIS.

#include <cstddef>
#include <string>
#include <vector>

// One newsletter's read in the run.
struct NewsletterUpdate {
  std::string id;
  std::string title;
  std::string result;     // its read's final status line, or why it was not read
  bool read = false;      // the read ran to its end
  bool complete = false;  // ... and stored every issue it queued
  bool error = false;     // an error end, or an address that no longer names a newsletter
  int newIssues = 0;
  int notStored = 0;  // issues named as left out, passed over or with a name too long
};

// "一括読取完了: 20件中 19件読取, 新着 37号, 取得できなかった号 2, エラー 1"; after a cancel
// "一括読取中止: " with the same counts. `total` is the number of newsletters listed.
std::string UpdateSummary(const std::vector<NewsletterUpdate>& done, std::size_t total, bool cancelled);

// The exit status of a headless run: 0 when every listed newsletter was read and stored
// every issue it queued, 1 otherwise.
int UpdateExitStatus(const std::vector<NewsletterUpdate>& done, std::size_t total, bool cancelled);
