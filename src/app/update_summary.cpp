#include "app/update_summary.h"

#include <algorithm>

#include "platform/cp932.h"

std::string UpdateSummary(const std::vector<NewsletterUpdate>& done, std::size_t total, bool cancelled) {
  std::size_t read = 0;
  std::size_t errors = 0;
  int newIssues = 0;
  int notStored = 0;
  for (const NewsletterUpdate& update : done) {
    read += update.read;
    errors += update.error;
    newIssues += update.newIssues;
    notStored += update.notStored;
  }
  return cp932::FromUtf8((cancelled ? "一括読取中止: " : "一括読取完了: ") + std::to_string(total) + "件中 " +
                         std::to_string(read) + "件読取, 新着 " + std::to_string(newIssues) +
                         "号, 取得できなかった号 " + std::to_string(notStored) + ", エラー " +
                         std::to_string(errors));
}

int UpdateExitStatus(const std::vector<NewsletterUpdate>& done, std::size_t total, bool cancelled) {
  const bool whole = !cancelled && done.size() == total &&
                     std::all_of(done.begin(), done.end(), [](const NewsletterUpdate& update) {
                       return update.read && update.complete;
                     });
  return whole ? 0 : 1;
}
