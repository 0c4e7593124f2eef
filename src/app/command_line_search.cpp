#include "app/command_line_search.h"

#include <atomic>
#include <ostream>

#include "archive/archive_search.h"
#include "archive/search_index.h"
#include "archive/text_normalisation.h"
#include "platform/cp932.h"
#include "platform/fs.h"

int RunCommandLineSearch(std::string_view words, const std::filesystem::path& archiveRoot, std::ostream& out,
                         std::ostream& errors) {
  if (!IsFolder(archiveRoot)) {
    errors << "アーカイブのフォルダがありません: " << archiveRoot.string() << '\n';
    return 2;
  }
  const SearchQuery query = ParseSearchQuery(Utf8ToUtf16(words));
  if (query.terms.empty()) {
    errors << "検索する語句がありません。\n";
    return 2;
  }
  std::string error;
  const std::atomic<bool> stop{false};
  const std::unique_ptr<SearchIndex> index = SearchIndex::Open(archiveRoot, true, error);
  const bool updated = index && index->Update(stop);
  ArchiveSearch search(archiveRoot);
  if (!updated || search.ReadsFiles()) {
    search.GiveUpIndex();
    errors << kIndexUnavailableUtf8 << '\n';
  }
  SearchResults results = search.Run(query);
  for (std::size_t i = 0; i < results.Count(); ++i) {
    const SearchHit& hit = results.Hit(i);
    out << cp932::ToUtf8(hit.issue.magazineId) << '\t' << cp932::ToUtf8(hit.issue.listKey) << '\t'
        << cp932::ToUtf8(hit.excerpt) << '\n';
  }
  out.flush();
  return results.Count() > 0 ? 0 : 1;
}
