// The INI rules on any file content, with section, key and value names taken from the input:
// reads agree with a plain restatement of the rules and stay within the content, and an edit
// reads back as written, is not repeated, and leaves other sections and keys as they were.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/ini.h"

namespace {

FUZZ_CHECK bool Blank(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20;
}

FUZZ_CHECK std::string Trimmed(std::string text) {
  while (!text.empty() && Blank(text.front())) text.erase(0, 1);
  while (!text.empty() && Blank(text.back())) text.pop_back();
  return text;
}

// The reading rules spelled out with copies and no shortcuts: the key lines ("name=value" or
// "name") of the first section whose name matches.
FUZZ_CHECK std::vector<std::pair<std::string, std::string>> NaiveSection(const std::string& content,
                                                                         const std::string& wanted,
                                                                         std::vector<bool>& hasValue) {
  std::vector<std::string> rawLines;
  std::string current;
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\r' || content[i] == '\n') {
      rawLines.push_back(current);
      current.clear();
      if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    } else {
      current.push_back(content[i]);
    }
  }
  if (!current.empty()) rawLines.push_back(current);

  std::vector<std::pair<std::string, std::string>> entries;
  bool inside = false;
  for (std::string line : rawLines) {
    while (!line.empty() && Blank(line.front())) line.erase(0, 1);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      long long close = -1;
      for (std::size_t i = 1; i < line.size(); ++i) {
        if (fuzz::Lead(static_cast<unsigned char>(line[i])) && i + 1 < line.size()) {
          ++i;
        } else if (line[i] == ']') {
          close = static_cast<long long>(i);
        }
      }
      if (close > 0) {
        if (inside) break;
        inside = fuzz::SameIniName(line.substr(1, static_cast<std::size_t>(close) - 1), wanted);
        continue;
      }
    }
    if (!inside) continue;
    const std::size_t equals = line.find('=');
    entries.emplace_back(Trimmed(line.substr(0, equals)),
                         equals == std::string::npos ? std::string() : Trimmed(line.substr(equals + 1)));
    hasValue.push_back(equals != std::string::npos);
  }
  return entries;
}

FUZZ_CHECK std::string NaiveValue(const std::string& content, const std::string& section,
                                  const std::string& key) {
  std::vector<bool> hasValue;
  for (const auto& [name, value] : NaiveSection(content, section, hasValue)) {
    if (!fuzz::SameIniName(name, key)) continue;
    std::string text = value;
    if (text.size() >= 2 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0]) {
      text = text.substr(1, text.size() - 2);
    }
    if (text.size() > 2047) {
      std::size_t at = 0;
      while (at < 2047)
        at += fuzz::Lead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
      text.resize(at == 2047 ? 2047 : 2046);
    }
    return text;
  }
  return {};
}

FUZZ_CHECK StringList NaiveLines(const std::string& content, const std::string& section) {
  std::vector<bool> hasValue;
  const auto entries = NaiveSection(content, section, hasValue);
  StringList lines;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    lines.push_back(hasValue[i] ? entries[i].first + "=" + entries[i].second : entries[i].first);
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(16);
  const std::string key = input.ConsumeRandomLengthString(16);
  const std::string otherSection = input.ConsumeRandomLengthString(16);
  const std::string otherKey = input.ConsumeRandomLengthString(16);
  const std::string value = input.ConsumeRandomLengthString(64);
  const std::string content = input.ConsumeRemainingBytesAsString();

  const std::string found = IniValueOf(content, section, key);
  fuzz::Require(found.size() <= 2047 && found.size() <= content.size(), "value bounded");
  fuzz::Require(found.empty() || content.find(found) != std::string::npos, "value is a piece of the file");
  fuzz::Require(found == NaiveValue(content, section, key), "value as the rules give it");
  const StringList lines = IniSectionOf(content, section);
  fuzz::Require(lines == NaiveLines(content, section), "section as the rules give it");
  std::size_t total = 0;
  for (const std::string& line : lines) total += line.size();
  fuzz::Require(total <= content.size(), "section bounded by the file");

  const std::string otherValue = IniValueOf(content, section, otherKey);
  const StringList otherLines = IniSectionOf(content, otherSection);
  const bool sameSection = fuzz::SameIniName(section, otherSection);
  const bool sameKey = fuzz::SameIniName(key, otherKey);

  const IniEdit written = IniWithValue(content, section, key, value);
  if (!written.error && written.changed) {
    // What a reader gets back: the value trimmed, one pair of matching quotes removed (the
    // value is far below the 2047-byte cut).
    std::string_view expected = value;
    const auto blank = [](char c) {
      const auto u = static_cast<unsigned char>(c);
      return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20;
    };
    while (!expected.empty() && blank(expected.front())) expected.remove_prefix(1);
    while (!expected.empty() && blank(expected.back())) expected.remove_suffix(1);
    if (expected.size() >= 2 && (expected[0] == '"' || expected[0] == '\'') &&
        expected.back() == expected[0]) {
      expected = expected.substr(1, expected.size() - 2);
    }
    fuzz::Require(IniValueOf(written.content, section, key) == expected, "an edit reads back as written");
    fuzz::Require(NaiveValue(written.content, section, key) == expected,
                  "an edit reads back by the rules too");
    const IniEdit again = IniWithValue(written.content, section, key, value);
    fuzz::Require(!again.error && !again.changed, "writing the same value again changes nothing");
    if (!sameKey) {
      fuzz::Require(IniValueOf(written.content, section, otherKey) == otherValue, "other keys stay");
    }
    if (!sameSection)
      fuzz::Require(IniSectionOf(written.content, otherSection) == otherLines, "other sections stay");
  }

  const IniEdit removed = IniWithoutKey(content, section, key);
  if (removed.changed) {
    fuzz::Require(removed.content.size() < content.size(), "a removal shortens the file");
    fuzz::Require(IniSectionOf(removed.content, section).size() + 1 == lines.size(), "one entry fewer");
    if (!sameKey) {
      fuzz::Require(IniValueOf(removed.content, section, otherKey) == otherValue, "other keys stay");
    }
    if (!sameSection)
      fuzz::Require(IniSectionOf(removed.content, otherSection) == otherLines, "other sections stay");
  } else {
    fuzz::Require(found.empty(), "nothing to remove: nothing was read");
  }
  return 0;
}
