// A Firefox session file as it may lie on disk, torn or foreign: decoded or refused, never
// trusted. Inputs starting with "J" are taken as the session's JSON itself, the rest as a
// whole file. What decodes has the announced size and survives a round trip through our
// own writer; the page chosen is an entry of the JSON.

#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/firefox_session.h"
#include "fuzz_support.h"
#include "sample_site/browser_session.h"

namespace {

void CheckPage(const std::string& json) {
  const auto page = SessionCurrentPage(json);
  if (!page) return;
  fuzz::Require(page->url.size() <= json.size() && page->title.size() <= json.size(),
                "page bounded by the JSON");
  // Written back as a session of its own, the same page is found again.
  const auto again = SessionCurrentPage(sample_site::SingleTabSession(page->url, page->title));
  fuzz::Require(again && again->url == page->url && again->title == page->title, "page survives a rewrite");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (!input.empty() && input[0] == 'J') {
    CheckPage(input.substr(1));
    return 0;
  }
  const auto json = DecodeSessionFile(input);
  if (!json) return 0;
  fuzz::Require(input.size() >= 12, "a header before the block");
  const std::uint32_t announced = static_cast<unsigned char>(input[8]) |
                                  static_cast<std::uint32_t>(static_cast<unsigned char>(input[9])) << 8 |
                                  static_cast<std::uint32_t>(static_cast<unsigned char>(input[10])) << 16 |
                                  static_cast<std::uint32_t>(static_cast<unsigned char>(input[11])) << 24;
  fuzz::Require(json->size() == announced && announced <= kSessionFileLimit, "exactly the announced size");
  fuzz::Require(DecodeSessionFile(sample_site::FirefoxSessionFile(*json)) == json, "round trip");
  CheckPage(*json);
  return 0;
}
