#include "archive/archive_search.h"

#include <algorithm>
#include <tuple>

#include "archive/issue_body_text.h"
#include "archive/issue_naming.h"
#include "archive/magazine_log.h"
#include "archive/search_excerpt.h"
#include "archive/search_order.h"
#include "archive/searched_archive.h"
#include "archive/text_normalisation.h"
#include "platform/fs.h"

namespace {

// Hit numbers read from the index at a time.
constexpr int kPage = 100;

// The searchable text of the issue file `fileName` in the newsletter folder `folder`.
std::optional<std::string> IssueBody(const std::filesystem::path& folder, std::string_view fileName) {
  const std::optional<std::string> bytes = ReadWholeFile(JoinSjis(folder, fileName));
  if (!bytes) return std::nullopt;
  return SearchableBody(*bytes);
}

// Every issue file read and matched, ordered as the index orders its hits: by rank, and
// within a rank the file met later first, as the index numbers files in the order it
// meets them.
std::vector<std::optional<SearchHit>> ReadEveryFile(const std::filesystem::path& archiveRoot,
                                                    const SearchQuery& query) {
  std::vector<std::tuple<std::int64_t, std::size_t, SearchHit>> found;
  std::size_t met = 0;
  for (const SearchedNewsletter& newsletter : SearchedNewsletters(archiveRoot)) {
    for (const std::string& fileName : ScanTextFiles(newsletter.folder)) {
      ++met;
      const IndexedIssue issue{newsletter.id, newsletter.title, fileName, IssueListKey(fileName, 0)};
      const std::optional<std::string> body = IssueBody(newsletter.folder, fileName);
      if (!body || !ContainsEveryTerm(FoldForSearch(DecodeForSearch(*body)), query)) continue;
      found.emplace_back(IssueRank(issue.listKey), met, SearchHit{issue, SearchExcerpt(*body, query)});
    }
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return std::tie(std::get<0>(a), std::get<1>(a)) > std::tie(std::get<0>(b), std::get<1>(b));
  });
  std::vector<std::optional<SearchHit>> hits;
  hits.reserve(found.size());
  for (auto& entry : found) hits.emplace_back(std::move(std::get<2>(entry)));
  return hits;
}

}  // namespace

const SearchHit& SearchResults::Hit(std::size_t i) {
  if (hits_.size() < count_) hits_.resize(count_);
  std::optional<SearchHit>& hit = hits_[i];
  if (hit) return *hit;
  while (index_ != nullptr && numbers_.size() <= i) {
    const std::vector<std::int64_t> page =
        index_->Hits(query_, numbers_.empty() ? std::nullopt : std::optional(numbers_.back()), kPage);
    if (page.empty()) break;
    numbers_.insert(numbers_.end(), page.begin(), page.end());
  }
  hit.emplace();
  // An issue taken out of the index since the count stays as an empty row.
  if (index_ == nullptr || i >= numbers_.size()) return *hit;
  if (std::optional<IndexedIssue> issue = index_->Describe(numbers_[i])) hit->issue = std::move(*issue);
  const std::filesystem::path folder = NewsletterFolder(archiveRoot_, hit->issue.magazineId);
  if (const std::optional<std::string> body = IssueBody(folder, hit->issue.fileName))
    hit->excerpt = SearchExcerpt(*body, query_);
  return *hit;
}

ArchiveSearch::ArchiveSearch(const std::filesystem::path& archiveRoot) : archiveRoot_(archiveRoot) {
  std::string error;
  index_ = SearchIndex::Open(archiveRoot, true, error);
}

SearchResults ArchiveSearch::Run(const SearchQuery& query) {
  SearchResults results;
  results.archiveRoot_ = archiveRoot_;
  results.query_ = query;
  results.index_ = index_.get();
  if (query.terms.empty()) return results;
  if (index_) {
    results.count_ = static_cast<std::size_t>(index_->Count(query));
  } else {
    results.hits_ = ReadEveryFile(archiveRoot_, query);
    results.count_ = results.hits_.size();
  }
  return results;
}
