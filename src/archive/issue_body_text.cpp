#include "archive/issue_body_text.h"

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
  // "<", ">" and "&" lie below the trail bytes' range: a byte test finds only them.
  std::string body;
  body.reserve(fileBytes.size() - at);
  while (at < fileBytes.size()) {
    const char c = fileBytes[at];
    if (c == '<' && OpensTag(fileBytes, at)) {
      const std::size_t close = fileBytes.find('>', at);
      if (close != std::string_view::npos) {
        at = close + 1;
        continue;
      }
    } else if (c == '&') {
      bool replaced = false;
      for (const auto& [reference, character] : kReferences) {
        if (fileBytes.substr(at, reference.size()) == reference) {
          body += character;
          at += reference.size();
          replaced = true;
          break;
        }
      }
      if (replaced) continue;
    }
    const std::size_t length = sjis::CharLength(fileBytes, at);
    body.append(fileBytes.substr(at, length));
    at += length;
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
