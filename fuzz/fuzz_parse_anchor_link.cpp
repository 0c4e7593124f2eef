// ParseAnchorLink on any snippet: either the snippet back whole, or the link text (at most
// 100 bytes after the first "\">") followed by "," and the bytes between "#" and "')".

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "retrieval/page_parsing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string snippet(reinterpret_cast<const char*>(data), size);
  const std::string result = ParseAnchorLink(snippet);
  fuzz::Require(result == ParseAnchorLink(snippet), "same input, same result");

  const long long p = fuzz::NaiveFind(snippet, "\">");
  const std::string key = p > 0 ? fuzz::NaiveCut(snippet, p + 2, 100) : std::string();
  const long long h = fuzz::NaiveFind(snippet, "#");
  const long long c = fuzz::NaiveFind(snippet, "')");
  std::string expected = key;
  if (h > 0 && h < c)
    expected += "," + snippet.substr(static_cast<std::size_t>(h), static_cast<std::size_t>(c - h - 1));
  if (expected.empty()) expected = snippet;
  fuzz::Require(result == expected, "key and path tail as the markers give them");
  fuzz::Require(result == snippet || result.size() < 100 + 1 + snippet.size(), "bounded by the snippet");
  return 0;
}
