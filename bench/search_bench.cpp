// The full-text search over an archive of 100,000 issues (about 1 GB of Shift-JIS text)
// that the sample service's page generator writes straight into files: the first indexing
// (time and size), the update after 100 new issues, and queries for a rare word, a common
// word, a two-character word and two words (the count and the first 100 rows, excerpts
// included), each against `grep -rl` of the same Shift-JIS bytes. The archive lives under
// the temporary folder and is removed at the end.
//
// YOMITORU_SEARCH_BENCH_ISSUES chooses another archive size (a multiple of 100).

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "archive/archive_search.h"
#include "archive/issue_naming.h"
#include "archive/magazine_log.h"
#include "archive/search_index.h"
#include "archive/text_normalisation.h"
#include "platform/cp932.h"
#include "platform/fs.h"
#include "platform/ini.h"
#include "platform/text_lines.h"
#include "sample_site/newsletter_pages.h"

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

namespace {

constexpr int kNewsletters = 100;
constexpr int kNewIssues = 100;
constexpr int kQueryRuns = 5;
constexpr const char* kServiceBase = "http://127.0.0.1:8080/m/log/";

double MillisecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

std::uintmax_t FolderBytes(const fs::path& folder) {
  std::uintmax_t bytes = 0;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_regular_file(error)) bytes += it->file_size(error);
  }
  return bytes;
}

std::uintmax_t IndexBytes(const fs::path& archiveRoot) {
  std::uintmax_t bytes = 0;
  std::error_code error;
  for (const char* suffix : {"", "-wal"}) {
    const std::uintmax_t size = fs::file_size(SearchIndexFile(archiveRoot).native() + suffix, error);
    if (!error) bytes += size;
  }
  return bytes;
}

// One issue file as the read stores it: the key and the address, then the text as cut from
// its page, CR LF after every line.
void WriteIssue(const fs::path& folder, const sample_site::Newsletter& newsletter, int index) {
  const sample_site::IssueEntry& entry = newsletter.issues[static_cast<std::size_t>(index)];
  const std::string key = cp932::FromUtf8(entry.keyUtf8);
  const std::string body = sample_site::EncodeText(
      "<pre><tt>" + sample_site::IssueBodyUtf8(newsletter, index), sample_site::PageEncoding::ShiftJis);
  StringList lines{key + " " + kServiceBase + newsletter.description.id + "/" + entry.pathTail};
  for (std::string& line : SplitLines(body)) lines.push_back(std::move(line));
  std::ofstream(JoinSjis(folder, IssueFileName(key, 0)), std::ios::binary) << JoinLines(lines);
}

sample_site::SampleNewsletter Description(int number, int issues) {
  sample_site::SampleNewsletter description;
  char id[16];
  std::snprintf(id, sizeof id, "%010d", 2000000 + number);
  description.id = id;
  description.title = "ベンチマーク通信" + std::to_string(number + 1) + "号館";
  description.naming =
      number % 10 == 9 ? sample_site::IssueNaming::Numbered : sample_site::IssueNaming::Dated;
  description.issueCount = issues;
  description.minBodyLines = 150;
  description.maxBodyLines = 230;
  description.theme = number;
  return description;
}

struct Figures {
  double milliseconds = 0;
  std::size_t count = 0;
};

// The search window's work for one query: the count and the first 100 rows with excerpts.
Figures TimeQuery(ArchiveSearch& search, const std::string& words) {
  std::vector<double> times;
  std::size_t count = 0;
  for (int run = 0; run < kQueryRuns; ++run) {
    const SteadyClock::time_point start = SteadyClock::now();
    SearchResults results = search.Run(ParseSearchQuery(Utf8ToUtf16(words)));
    for (std::size_t i = 0; i < std::min<std::size_t>(100, results.Count()); ++i) results.Hit(i);
    times.push_back(MillisecondsSince(start));
    count = results.Count();
  }
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], count};
}

// `grep -rl` of every word's Shift-JIS bytes, the files of one word handed to the next.
Figures TimeGrep(const fs::path& archiveRoot, const std::vector<std::string>& words) {
  std::string command =
      "LC_ALL=C grep -rlZF -e '" + cp932::FromUtf8(words[0]) + "' '" + archiveRoot.string() + "'";
  for (std::size_t i = 1; i < words.size(); ++i) {
    command += " | LC_ALL=C xargs -0 -r grep -lZF -e '" + cp932::FromUtf8(words[i]) + "'";
  }
  command += " | tr -cd '\\0' | wc -c";
  const SteadyClock::time_point start = SteadyClock::now();
  FILE* pipe = popen(command.c_str(), "r");
  std::size_t count = 0;
  if (pipe != nullptr) {
    if (std::fscanf(pipe, "%zu", &count) != 1) count = 0;
    pclose(pipe);
  }
  return {MillisecondsSince(start), count};
}

bool Check(bool met, const char* target) {
  std::printf("  %s: %s\n", target, met ? "met" : "MISSED");
  return met;
}

}  // namespace

int main() {
  const char* chosen = std::getenv("YOMITORU_SEARCH_BENCH_ISSUES");
  const int issues = std::max(kNewsletters, chosen != nullptr ? std::atoi(chosen) : 100'000);
  const fs::path work = fs::temp_directory_path() / ("yomitoru-search-bench-" + std::to_string(getpid()));
  const fs::path root = work / "log";
  // About 11 kB of text per issue, twice over for the index, and room to spare.
  const std::uintmax_t needed = static_cast<std::uintmax_t>(issues) * 11'000 * 4;
  std::error_code spaceError;
  if (fs::space(fs::temp_directory_path(), spaceError).available < needed) {
    std::printf("search: not enough room in %s (%ju MB needed)\n", fs::temp_directory_path().c_str(),
                needed >> 20);
    return 1;
  }
  setenv("XDG_CACHE_HOME", (work / "cache").c_str(), 1);

  std::printf("search: %d issues in %d newsletters, generated into %s\n", issues, kNewsletters, root.c_str());
  SteadyClock::time_point start = SteadyClock::now();
  std::vector<sample_site::Newsletter> newsletters;
  for (int number = 0; number < kNewsletters; ++number) {
    newsletters.push_back(sample_site::BuildNewsletter(Description(number, issues / kNewsletters)));
    const sample_site::Newsletter& newsletter = newsletters.back();
    const fs::path folder = root / kServiceFolderName / newsletter.description.id;
    CreateFolders(folder);
    for (int index = 0; index < newsletter.description.issueCount; ++index)
      WriteIssue(folder, newsletter, index);
    WriteIniValue(ArchiveIndexFile(root), kServiceFolderName, newsletter.description.id,
                  cp932::FromUtf8(newsletter.description.title) +
                      ",2026/12/07 12:00:00,weekly,2026/12/07,1," +
                      std::to_string(newsletter.description.issueCount));
  }
  SyncFolder(root);
  const std::uintmax_t archiveBytes = FolderBytes(root);
  std::printf("  generated in %.1f s: %.1f MB of issue files\n", MillisecondsSince(start) / 1000,
              archiveBytes / 1e6);

  bool met = true;
  std::atomic<bool> stop{false};
  std::string error;
  start = SteadyClock::now();
  {
    const std::unique_ptr<SearchIndex> index = SearchIndex::Open(root, true, error);
    if (!index || !index->Update(stop)) {
      std::printf("  the index cannot be built: %s\n", error.c_str());
      fs::remove_all(work);
      return 1;
    }
  }
  const double indexing = MillisecondsSince(start);
  const std::uintmax_t indexBytes = IndexBytes(root);
  std::printf("  first indexing: %.1f s, index %.1f MB (%.2f x the archive)\n", indexing / 1000,
              indexBytes / 1e6, static_cast<double>(indexBytes) / static_cast<double>(archiveBytes));
  met &= Check(indexBytes < 2 * archiveBytes, "index under 2 x the archive");

  // A read that stored 100 new issues of one newsletter, and the update it then asks for (of
  // that newsletter); then the full look at every file that opening the search window makes.
  sample_site::Newsletter& grown = newsletters.front();
  for (int i = 0; i < kNewIssues; ++i) grown = sample_site::WithNewerIssue(std::move(grown));
  const fs::path grownFolder = root / kServiceFolderName / grown.description.id;
  for (int index = 0; index < kNewIssues; ++index) WriteIssue(grownFolder, grown, index);
  double update = 0;
  double fullCheck = 0;
  {
    start = SteadyClock::now();
    const std::unique_ptr<SearchIndex> index = SearchIndex::Open(root, false, error);
    if (!index || !index->Update(stop, grown.description.id))
      std::printf("  the update failed: %s\n", error.c_str());
    update = MillisecondsSince(start);
    start = SteadyClock::now();
    if (index) index->Update(stop);
    fullCheck = MillisecondsSince(start);
    if (!index || index->IssueCount() != issues + kNewIssues)
      std::printf("  the new issues are not all indexed\n");
  }
  std::printf("  update after %d new issues of one newsletter: %.0f ms; a look at every file: %.0f ms\n",
              kNewIssues, update, fullCheck);
  met &= Check(update < 1000, "update under 1 s");

  // The words: the date of one issue (in a few newsletters only), a word of most issues, a
  // word of two characters, and two words.
  const std::string rare = newsletters[1].issues[newsletters[1].issues.size() / 2].date.substr(0, 10);
  const std::vector<std::pair<const char*, std::vector<std::string>>> queries = {
      {"rare word", {rare}},
      {"common word", {"ください"}},
      {"two-character word", {"散歩"}},
      {"two words", {"季節", "散歩"}},
  };
  ArchiveSearch search(root);
  for (const auto& [label, words] : queries) {
    std::string typed;
    for (const std::string& word : words) typed += (typed.empty() ? "" : " ") + word;
    const Figures query = TimeQuery(search, typed);
    const Figures grep = TimeGrep(root, words);
    std::printf(
        "  %s \"%s\": %zu hits, count and first 100 rows %.1f ms; grep -rl %zu files, %.0f ms (%.0f x)\n",
        label, typed.c_str(), query.count, query.milliseconds, grep.count, grep.milliseconds,
        grep.milliseconds / std::max(query.milliseconds, 0.001));
    met &= Check(query.milliseconds < 50, "under 50 ms");
    if (std::string(label) == "rare word")
      met &= Check(grep.milliseconds >= 100 * query.milliseconds, "100 x grep");
  }
  fs::remove_all(work);
  return met ? 0 : 1;
}
