#include "archive/issue_body_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "platform/cp932.h"
#include "platform/sjis.h"

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kReferences{{
    {"&amp;", "&"},
    {"&lt;", "<"},
    {"&gt;", ">"},
    {"&quot;", "\""},
    {"&#39;", "'"},
    {"&nbsp;", " "},
}};

// A "<" that opens a tag, a closing tag or a comment; a lone "<" in the text stays.
bool OpensTag(std::string_view text, std::size_t at) {
  if (at + 1 >= text.size()) return false;
  const auto next = static_cast<unsigned char>(text[at + 1]);
  return std::isalpha(next) != 0 || next == '/' || next == '!';
}

}  // namespace

std::string SearchableBody(std::string_view fileBytes) {
  const std::size_t headerEnd = fileBytes.find_first_of("\r\n");
  if (headerEnd == std::string_view::npos) return {};
  std::size_t at = headerEnd + 1;
  if (fileBytes[headerEnd] == '\r' && at < fileBytes.size() && fileBytes[at] == '\n') ++at;
  // "<" and "&" lie below the trail bytes' range: a byte search finds only them.
  std::string body;
  body.reserve(fileBytes.size() - at);
  while (at < fileBytes.size()) {
    const std::size_t special = std::min(fileBytes.find_first_of("<&", at), fileBytes.size());
    body.append(fileBytes.substr(at, special - at));
    at = special;
    if (at == fileBytes.size()) break;
    if (fileBytes[at] == '<' && OpensTag(fileBytes, at)) {
      const std::size_t close = fileBytes.find('>', at);
      if (close != std::string_view::npos) {
        at = close + 1;
        continue;
      }
    } else if (fileBytes[at] == '&') {
      const auto reference = std::find_if(kReferences.begin(), kReferences.end(), [&](const auto& entry) {
        return fileBytes.substr(at, entry.first.size()) == entry.first;
      });
      if (reference != kReferences.end()) {
        body += reference->second;
        at += reference->first.size();
        continue;
      }
    }
    body += fileBytes[at++];
  }
  return body;
}

std::u16string DecodeForSearch(std::string_view sjis) {
  std::u16string text = cp932::Decode(sjis);
  // The code page's default character stands for both "・" (81 45) and undefined codes.
  static const char16_t kDefault = cp932::Decode("\x81\x45").front();
  std::size_t byte = 0;
  for (char16_t& unit : text) {
    const std::size_t length = sjis::CharLength(sjis, byte);
    if (unit == kDefault && sjis.substr(byte, length) != "\x81\x45") unit = u'\uFFFD';
    byte += length;
  }
  return text;
}
