// ExtractIssueBody on any page: empty, or the bytes from the chosen opening marker up to two
// bytes before its end marker, with every line break turned into CR LF.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "retrieval/page_parsing.h"

namespace {

std::string Unbroken(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i] == '\r' ? '\n' : text[i]);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  const std::string result = ExtractIssueBody(page);
  fuzz::Require(fuzz::OnlyCrLf(result), "only CR LF line breaks");
  fuzz::Require(result.size() <= 2 * page.size(), "bounded by the page");

  long long f = fuzz::NaiveFind(page, "<div class=\"backnumber-entry\">");
  long long e = 0;
  if (f > 0) {
    e = fuzz::NaiveFind(page, "<div class=\"backnumber-entry-footer\">");
  } else {
    f = fuzz::NaiveFind(page, "<pre><tt>");
    e = fuzz::NaiveFind(page, "</tt></pre>");
  }
  if (f <= 0 || f >= e) {
    fuzz::Require(result.empty(), "markers missing or out of order: empty");
    return 0;
  }
  const std::string cut = fuzz::NaiveCut(page, f, e - f - 1);
  fuzz::Require(Unbroken(result) == Unbroken(cut), "the text between the markers");
  fuzz::Require(result.size() >= cut.size(), "line breaks only grow");
  return 0;
}
