#include "retrieval/top_page_fields.h"

#include <string>
#include <vector>

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

void CutTopPageFields(SharedState& state) {
  static const std::string htmlNotice =
      cp932::FromUtf8("※</font>このメールマガジンはHTML形式です。本文は新規ウィンドウで表示されます</font>");
  if (sjis::Contains(state.PageText, htmlNotice) ||
      sjis::Contains(state.PageText, "<div class=\"backnumber-entry\">")) {
    state.HtmlFormatFlag = 1;
  }
  state.PageTextLower = sjis::ToLower(state.PageText);
  CutTitle(state);
  CutFields(state);
}
