#include "retrieval/identification.h"

#include "platform/cp932.h"
#include "platform/sjis.h"

namespace {

struct FieldMarker {
  std::string SharedState::*field;
  std::string marker;
  std::string endMarker;
  int fallbackLength;
};

const std::vector<FieldMarker>& FieldMarkers() {
  static const std::vector<FieldMarker> markers{
      {&SharedState::IssueCycle, cp932::FromUtf8("<b>発行周期：</b></font>"), "&nbsp;", 4},
      {&SharedState::LatestIssueDate, cp932::FromUtf8("<b>最新号発行日：</b></font>"), "&nbsp;", 10},
      {&SharedState::LatestCirculation, cp932::FromUtf8("<b>最新号発行部数：</b></font>"),
       cp932::FromUtf8("部"), 10},
  };
  return markers;
}

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

void CutTitle(SharedState& state) {
  const std::size_t start = sjis::Find(state.PageTextLower, "<title>");
  const std::size_t end = sjis::Find(state.PageTextLower, "</title>");
  if (start >= end) return;
  std::string title = sjis::Cut(state.PageText, static_cast<long long>(start) + 7,
                                static_cast<long long>(end) - static_cast<long long>(start) - 7);
  static const std::string servicePrefix = cp932::FromUtf8("まぐまぐ -");
  if (sjis::Find(title, servicePrefix) == 1) title.erase(0, servicePrefix.size());
  if (title.size() >= 2 && title.compare(title.size() - 2, 2, " -") == 0) title.erase(title.size() - 2);
  state.TitleText = sjis::Trim(title);
  state.MagazineTitle = state.TitleText;
}

void CutFields(SharedState& state) {
  for (const FieldMarker& marker : FieldMarkers()) {
    const std::size_t at = sjis::Find(state.PageTextLower, marker.marker);
    if (at == 0) continue;
    const std::string chunk =
        sjis::Cut(state.PageText, static_cast<long long>(at + marker.marker.size()), 100);
    const std::size_t end = sjis::Find(chunk, marker.endMarker);
    state.*marker.field = end > 0 ? sjis::Left(chunk, static_cast<long long>(end) - 1)
                                  : sjis::Left(chunk, marker.fallbackLength);
  }
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

  static const std::string htmlNotice =
      cp932::FromUtf8("※</font>このメールマガジンはHTML形式です。本文は新規ウィンドウで表示されます</font>");
  if (sjis::Contains(state.PageText, htmlNotice) ||
      sjis::Contains(state.PageText, "<div class=\"backnumber-entry\">")) {
    state.HtmlFormatFlag = 1;
  }
  state.PageTextLower = sjis::ToLower(state.PageText);
  CutTitle(state);
  CutFields(state);
  return displayName;
}
