// A Chromium session file as it may lie on disk, torn or foreign: replayed or refused,
// never trusted. The address found is the file's own and within the limit, and the file
// reads as it did before its last command was torn.

#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/chromium_session.h"
#include "fuzz_support.h"

namespace {

// Where the last whole command ends, walking the sizes: a slow, plain stand-in.
FUZZ_CHECK std::size_t WholeCommandsEnd(const std::string& bytes) {
  std::size_t end = 8;
  while (end + 2 <= bytes.size()) {
    const std::size_t size =
        static_cast<unsigned char>(bytes[end]) | std::size_t{static_cast<unsigned char>(bytes[end + 1])} << 8;
    if (end + 2 + size > bytes.size()) break;
    end += 2 + size;
  }
  return end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const auto page = ChromiumSessionPage(input);
  if (page) {
    fuzz::Require(IsChromiumSession(input), "only an SNSS file is replayed");
    fuzz::Require(!page->url.empty() && page->url.size() <= kUrlLimit, "an address within the limit");
    fuzz::Require(input.find(page->url) != std::string::npos, "the address is one the file holds");
  }
  if (input.size() < 8) return 0;
  const std::size_t whole = WholeCommandsEnd(input);
  if (whole == input.size()) return 0;
  const auto before = ChromiumSessionPage(input.substr(0, whole));
  fuzz::Require(before.has_value() == page.has_value() &&
                    (!page || (before->url == page->url && before->title == page->title)),
                "a torn last command is ignored");
  return 0;
}
