// CutTopPageFields on any page, as the identification cuts a fetched top page: the format
// flag, the title and the three fields come out exactly as the markers in the page give
// them, and a field whose marker is absent keeps what it held.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/cp932.h"
#include "retrieval/top_page_fields.h"

namespace {

const std::string kUntouched = "\x01untouched";

FUZZ_CHECK bool Blank(char c) { return static_cast<unsigned char>(c) <= 32; }

// The lower-cased copy keeps every byte but single-byte capitals, which become small, and
// double-byte characters (whose case is the case primitives' own business).
FUZZ_CHECK bool LowerCopyOf(const std::string& lower, const std::string& page) {
  if (lower.size() != page.size()) return false;
  for (std::size_t i = 0; i < page.size(); ++i) {
    if (fuzz::Lead(static_cast<unsigned char>(page[i])) && i + 1 < page.size()) {
      ++i;
      continue;
    }
    const char expected = page[i] >= 'A' && page[i] <= 'Z' ? static_cast<char>(page[i] + 32) : page[i];
    if (lower[i] != expected) return false;
  }
  return true;
}

FUZZ_CHECK std::string ExpectedTitle(const std::string& page, const std::string& lower) {
  const long long s = fuzz::NaiveFind(lower, "<title>");
  const long long e = fuzz::NaiveFind(lower, "</title>");
  if (s >= e) return kUntouched;
  std::string title = fuzz::NaiveCut(page, s + 7, e - s - 7);
  static const std::string prefix = cp932::FromUtf8("まぐまぐ -");
  if (fuzz::NaiveFind(title, prefix) == 1) title = title.substr(prefix.size());
  if (title.size() >= 2 && title.substr(title.size() - 2) == " -") title.resize(title.size() - 2);
  while (!title.empty() && Blank(title.front())) title.erase(0, 1);
  while (!title.empty() && Blank(title.back())) title.pop_back();
  return title;
}

FUZZ_CHECK std::string ExpectedField(const std::string& page, const std::string& lower,
                                     const char* markerUtf8, const char* endUtf8, long long fallback) {
  const std::string marker = cp932::FromUtf8(markerUtf8);
  const long long at = fuzz::NaiveFind(lower, marker);
  if (at == 0) return kUntouched;
  const std::string chunk = fuzz::NaiveCut(page, at + static_cast<long long>(marker.size()), 100);
  const long long end = fuzz::NaiveFind(chunk, cp932::FromUtf8(endUtf8));
  return chunk.substr(0, static_cast<std::size_t>(end > 0 ? end - 1 : fallback));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  SharedState state;
  state.PageText = page;
  state.TitleText = state.MagazineTitle = kUntouched;
  state.IssueCycle = state.LatestIssueDate = state.LatestCirculation = kUntouched;
  CutTopPageFields(state);

  fuzz::Require(state.PageText == page, "the page stays as it was");
  fuzz::Require(LowerCopyOf(state.PageTextLower, page), "PageTextLower is the lower-cased page");
  const std::string& lower = state.PageTextLower;

  static const std::string notice =
      cp932::FromUtf8("※</font>このメールマガジンはHTML形式です。本文は新規ウィンドウで表示されます</font>");
  const bool htmlFormat =
      fuzz::NaiveFind(page, notice) > 0 || fuzz::NaiveFind(page, "<div class=\"backnumber-entry\">") > 0;
  fuzz::Require(state.HtmlFormatFlag == (htmlFormat ? 1 : 0), "HTML format flag from its markers");

  const std::string title = ExpectedTitle(page, lower);
  fuzz::Require(state.TitleText == title && state.MagazineTitle == title, "title between its tags");
  fuzz::Require(title == kUntouched || title.empty() || (!Blank(title.front()) && !Blank(title.back())),
                "title trimmed");

  fuzz::Require(state.IssueCycle == ExpectedField(page, lower, "<b>発行周期：</b></font>", "&nbsp;", 4),
                "cycle after its marker");
  fuzz::Require(
      state.LatestIssueDate == ExpectedField(page, lower, "<b>最新号発行日：</b></font>", "&nbsp;", 10),
      "latest date after its marker");
  fuzz::Require(
      state.LatestCirculation == ExpectedField(page, lower, "<b>最新号発行部数：</b></font>", "部", 10),
      "circulation after its marker");
  for (const std::string* field : {&state.IssueCycle, &state.LatestIssueDate, &state.LatestCirculation}) {
    fuzz::Require(*field == kUntouched || field->size() <= 100, "a field is at most 100 bytes");
  }
  return 0;
}
