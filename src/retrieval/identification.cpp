#include "retrieval/identification.h"

#include "platform/sjis.h"
#include "retrieval/top_page_fields.h"

namespace {

// Cuts `text` before the first occurrence of `mark`, if any.
std::string CutBefore(std::string_view text, std::string_view mark) {
  const std::size_t at = sjis::Find(text, mark);
  return at > 0 ? sjis::Left(text, static_cast<long long>(at) - 1) : std::string(text);
}

// The newsletter's top page: the base, "/" and the ID, without what follows.
std::string ReduceToTopPage(std::string_view address, std::size_t baseLength) {
  std::string page = CutBefore(address, "?");
  const std::string rest =
      sjis::Cut(page, static_cast<long long>(baseLength) + 2, static_cast<long long>(page.size()));
  const std::size_t slash = sjis::Find(rest, "/");
  if (slash > 0) page = sjis::Left(page, static_cast<long long>(baseLength + slash));
  return page;
}

}  // namespace

std::string IdentifyMagazine(SharedState& state, PageFetcher& fetcher, const ServiceTable& table,
                             std::string_view address, int mode) {
  std::string displayName;
  state.ServiceKind.clear();
  state.ServiceLabel.clear();
  state.TitleText.clear();
  state.HtmlFormatFlag = 0;

  for (auto row = table.rbegin(); row != table.rend(); ++row) {
    if (row->logBase.empty() || !sjis::Contains(address, row->logBase)) continue;
    state.ServiceKind = row->code;
    state.ServiceLabel = row->displayName;
    displayName = row->displayName;
    state.ServiceLogBase = row->logBase;
    state.ServiceRoot = row->siteRoot;
    break;
  }
  if (state.ServiceKind.empty()) return displayName;

  const std::size_t baseLength = state.ServiceLogBase.size();
  std::string pageAddress(address);
  if (state.ServiceKind == "a" && mode == 0) pageAddress = ReduceToTopPage(address, baseLength);
  if (mode == 2) return displayName;

  const int fetched = fetcher.FetchPage(pageAddress, 1);
  if (mode == 1) fetcher.FetchPage("", -1);
  if (fetched <= 0 || state.ServiceKind != "a") return displayName;

  const std::string id = sjis::Cut(address, static_cast<long long>(baseLength) + 2, 100);
  state.MagazineId = CutBefore(CutBefore(id, "/"), "?");
  state.ServiceLabel += " ID:" + state.MagazineId;

  CutTopPageFields(state);
  return displayName;
}
