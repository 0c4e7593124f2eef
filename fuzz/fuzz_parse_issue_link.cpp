// ParseIssueLink on any snippet: the snippet back whole, or a key taken from the link text
// (whole, or a stretch from "第" to "号" inside it) with the path tail after a ",". The
// stretch is checked on well-formed link texts only: a lead byte left alone (by the 100-byte
// cut, or before a byte that cannot trail) moves the character boundaries of the reversed
// text, and the steps then narrow to other bytes.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/cp932.h"
#include "retrieval/page_parsing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string kDai = cp932::FromUtf8("第");
  static const std::string kGou = cp932::FromUtf8("号");
  const std::string snippet(reinterpret_cast<const char*>(data), size);
  const std::string result = ParseIssueLink(snippet);
  fuzz::Require(result == ParseIssueLink(snippet), "same input, same result");
  fuzz::Require(result == snippet || result.size() < 100 + 1 + snippet.size(), "bounded by the snippet");

  const long long p = fuzz::NaiveFind(snippet, "\">");
  const std::string text = p > 0 ? fuzz::NaiveCut(snippet, p + 2, 100) : std::string();
  const long long m = fuzz::NaiveFind(snippet, "/m/log/");
  long long e = fuzz::NaiveFind(snippet, ".html');");
  if (e == 0) e = fuzz::NaiveFind(snippet, ".html?");
  std::string tail;
  const bool hasTail = m > 0 && e > 0 && m < e;
  if (hasTail) tail = "," + fuzz::NaiveCut(snippet, m + 18, e - m - 13);

  if (text.empty() && !hasTail) {
    fuzz::Require(result == snippet, "nothing found: the snippet itself");
    return 0;
  }
  if (text.empty()) {
    fuzz::Require(result == tail, "no link text: the tail alone");
    return 0;
  }
  fuzz::Require(
      result.size() >= tail.size() && result.compare(result.size() - tail.size(), tail.size(), tail) == 0,
      "the tail ends the line");
  const std::string key = result.substr(0, result.size() - tail.size());
  if (key == text || !fuzz::WellFormed(text)) return 0;
  // Narrowed: a piece of the link text from a "第" to a "号", both included.
  fuzz::Require(fuzz::NaiveFind(text, kDai) > 0 && fuzz::NaiveFind(text, kGou) > 0,
                "narrowed only with both marks");
  fuzz::Require(text.find(key) != std::string::npos, "the stretch lies in the link text");
  fuzz::Require(key.size() >= 4 && key.compare(key.size() - 2, 2, kGou) == 0, "the stretch ends with 号");
  return 0;
}
