#include "platform/ini.h"

#include <algorithm>
#include <cstring>

#include "platform/fs.h"
#include "platform/sjis.h"

// How these files are read and written, following the Windows private-profile functions:
// - A line ends at LF, CR or CR LF. Line breaks are raw bytes: CR and LF are never trail
//   bytes, and a lead byte just before a line break stands alone instead of swallowing it.
// - After leading blanks (0x09-0x0D, 0x1A, 0x20; never the full-width space) a line is
//   blank, a ";" comment, a section line or a key line. A section line starts with "[" and
//   its name runs to the last "]" that is a character of its own (a trail byte 0x5D is not);
//   without such a "]" the line is a key line.
// - A key line splits at its first "=" byte ("=" is never a valid trail byte); both sides are
//   trimmed of the blanks above. Without "=" the whole line is a key with no value.
// - Lines before the first section line belong to no section and are never found.
// - Names match after trimming, ignoring the case of ASCII letters only; a double-byte
//   character compares exactly, so a trail byte that looks like a letter is never folded.
// - The first matching section is the only one used, and the first matching key in it.
// - A value read by key loses one pair of surrounding quotes ("..." or '...') and is then
//   cut to 2047 bytes; a cut through a double-byte character drops its lead byte, so the
//   value never ends in half a character it did not end in before.
// - A section read whole gives "key=value" (trimmed, quotes kept, no cut) or the key alone,
//   for every key line in file order, duplicates included.
// - Writing drops the value's leading blanks and writes "key=value" CR LF ("key=" when
//   empty). A key already there keeps its line's place and its spelling; when it would read
//   the same value afterwards the file is not rewritten. A new key goes right after the last
//   key line of its section (comments and blank lines that follow it stay below it); a new
//   section goes at the end with no blank line before it, after a line break when the file
//   lacks a final one. Keys and values have no length limit on writing.
// - Names are written trimmed. An edit whose key would not read back with the value written
//   (a name empty after trimming, line breaks, a key holding "=" or looking like a section,
//   a section name ending in half a character) is refused and nothing is written.
// - Everything else in the file stays byte for byte. A write first checks that the file may
//   be replaced (Windows refuses a read-only file even when nothing would change), then
//   writes the whole file to a temporary file and renames it into place.

namespace {

constexpr std::size_t kValueLimit = 2047;
// A reader buffer larger than this is given back after use instead of kept for the next read.
constexpr std::size_t kKeptBufferLimit = std::size_t{16} << 20;

bool IsIniBlank(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x09 && byte <= 0x0D) || byte == 0x1A || byte == 0x20;
}

std::string_view TrimLeading(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && IsIniBlank(text[first])) ++first;
  return text.substr(first);
}

std::string_view TrimIni(std::string_view text) {
  text = TrimLeading(text);
  std::size_t last = text.size();
  while (last > 0 && IsIniBlank(text[last - 1])) --last;
  return text.substr(0, last);
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    if (sjis::IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      i += 2;
    } else {
      if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
      ++i;
    }
  }
  return true;
}

struct Line {
  std::size_t begin;  // first byte of the line
  std::size_t end;    // one past its last byte before the line break
  std::size_t next;   // where the following line begins
};

// Walks the lines of a text. The next CR and the next LF are each looked up once and kept
// until passed, so a file that uses only one kind of break is still walked in linear time.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text), cr_(FindByte('\r')), lf_(FindByte('\n')) {}

  bool Next(Line& line) {
    if (pos_ >= text_.size()) return false;
    if (cr_ < pos_) cr_ = FindByte('\r');
    if (lf_ < pos_) lf_ = FindByte('\n');
    const std::size_t end = std::min(cr_, lf_);
    std::size_t next = end;
    if (end < text_.size()) {
      next = end + 1;
      if (text_[end] == '\r' && next < text_.size() && text_[next] == '\n') ++next;
    }
    line = {pos_, end, next};
    pos_ = next;
    return true;
  }

 private:
  std::size_t FindByte(char byte) const {
    const void* hit = std::memchr(text_.data() + pos_, byte, text_.size() - pos_);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data()) : text_.size();
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t cr_;
  std::size_t lf_;
};

// The line without its leading blanks; empty for blank and comment lines.
std::string_view Body(std::string_view content, const Line& line) {
  std::string_view body = TrimLeading(content.substr(line.begin, line.end - line.begin));
  if (!body.empty() && body[0] == ';') return {};
  return body;
}

// For a body starting with "[": true and the trimmed name when it is a section line.
bool SectionName(std::string_view body, std::string_view& name) {
  std::size_t close = std::string_view::npos;
  for (std::size_t i = 1; i < body.size();) {
    const std::size_t length = sjis::CharLength(body, i);
    if (length == 1 && body[i] == ']') close = i;
    i += length;
  }
  if (close == std::string_view::npos) return false;
  name = TrimIni(body.substr(1, close - 1));
  return true;
}

struct KeyLine {
  std::string_view name;
  std::string_view value;
  bool hasValue;
};

KeyLine SplitKeyLine(std::string_view body) {
  const std::size_t equals = body.find('=');
  if (equals == std::string_view::npos) return {TrimIni(body), {}, false};
  return {TrimIni(body.substr(0, equals)), TrimIni(body.substr(equals + 1)), true};
}

struct Located {
  bool sectionFound = false;
  bool keyFound = false;
  Line keyLine{};
  std::string_view fileKey;   // the key as the file spells it
  std::string_view rawValue;  // trimmed, quotes kept
  // Just after the last key line of the section, or after the section line when it has none.
  std::size_t insertAt = 0;
  bool insertNeedsBreak = false;  // that line ends the file without a line break
};

// Walks the first section named `section` (trimmed already): `onSectionLine` gets its
// section line, `onEntry` every non-blank line inside it until the section ends or
// `onEntry` returns false.
template <typename OnSectionLine, typename OnEntry>
void WalkSection(std::string_view content, std::string_view section, OnSectionLine onSectionLine,
                 OnEntry onEntry) {
  LineCursor cursor(content);
  Line line{};
  bool inside = false;
  while (cursor.Next(line)) {
    const std::string_view body = Body(content, line);
    if (body.empty()) continue;
    std::string_view name;
    if (body[0] == '[' && SectionName(body, name)) {
      if (inside) return;
      if (SameName(name, section)) {
        inside = true;
        onSectionLine(line);
      }
      continue;
    }
    if (inside && !onEntry(line, body)) return;
  }
}

// One pass over the file up to the end of the first matching section (or up to the key).
// `section` and `key` are trimmed already.
Located Locate(std::string_view content, std::string_view section, std::string_view key, bool stopAtKey) {
  Located found;
  const auto noteInsertionPoint = [&found](const Line& line) {
    found.insertAt = line.next;
    found.insertNeedsBreak = line.next == line.end;
  };
  WalkSection(
      content, section,
      [&](const Line& line) {
        found.sectionFound = true;
        noteInsertionPoint(line);
      },
      [&](const Line& line, std::string_view body) {
        noteInsertionPoint(line);
        // Most lines of a large section fail on their first bytes; only a line that starts
        // with the key is split. A line whose name equals the key always passes this test.
        if (found.keyFound || body.size() < key.size() || !SameName(body.substr(0, key.size()), key))
          return true;
        const KeyLine entry = SplitKeyLine(body);
        if (!SameName(entry.name, key)) return true;
        found.keyFound = true;
        found.keyLine = line;
        found.fileKey = entry.name;
        found.rawValue = entry.value;
        return !stopAtKey;
      });
  return found;
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string ClipValue(std::string_view value) {
  if (value.size() <= kValueLimit) return std::string(value);
  std::size_t at = 0;
  while (at < kValueLimit) at += sjis::CharLength(value, at);
  return std::string(value.substr(0, at == kValueLimit ? kValueLimit : kValueLimit - 1));
}

// The content of `file` for an edit: empty when the file does not exist yet. An existing file
// that cannot be read is an error, so it is never replaced by a file without its entries.
std::error_code LoadForEdit(const std::filesystem::path& file, std::string& content) {
  if (std::error_code refused = CheckReplaceable(file)) return refused;
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (!std::filesystem::exists(status)) {
    if (error && error != std::errc::no_such_file_or_directory) return error;
    content.clear();
    return {};
  }
  if (!ReadWholeFileInto(file, content)) return std::make_error_code(std::errc::io_error);
  return {};
}

std::error_code Apply(const std::filesystem::path& file, const IniEdit& edit) {
  if (edit.error) return edit.error;
  if (!edit.changed) return {};
  return WriteFileAtomically(file, edit.content);
}

// The file's bytes for a reader, in storage kept between calls of the same thread.
class ReadBuffer {
 public:
  ReadBuffer() = default;
  ReadBuffer(const ReadBuffer&) = delete;
  ReadBuffer& operator=(const ReadBuffer&) = delete;
  ~ReadBuffer() {
    if (bytes_.capacity() > kKeptBufferLimit) std::string().swap(bytes_);
  }
  bool Load(const std::filesystem::path& file) { return ReadWholeFileInto(file, bytes_); }
  std::string_view bytes() const { return bytes_; }

 private:
  static thread_local std::string bytes_;
};

thread_local std::string ReadBuffer::bytes_;

}  // namespace

std::string IniValueOf(std::string_view content, std::string_view section, std::string_view key) {
  const Located found = Locate(content, TrimIni(section), TrimIni(key), true);
  if (!found.keyFound) return {};
  return ClipValue(StripQuotes(found.rawValue));
}

StringList IniSectionOf(std::string_view content, std::string_view section) {
  StringList lines;
  WalkSection(
      content, TrimIni(section), [](const Line&) {},
      [&lines](const Line&, std::string_view body) {
        const KeyLine entry = SplitKeyLine(body);
        std::string text(entry.name);
        if (entry.hasValue) {
          text += '=';
          text += entry.value;
        }
        lines.push_back(std::move(text));
        return true;
      });
  return lines;
}

StringList IniSectionNamesOf(std::string_view content) {
  StringList names;
  LineCursor cursor(content);
  Line line{};
  while (cursor.Next(line)) {
    const std::string_view body = Body(content, line);
    std::string_view name;
    if (!body.empty() && body[0] == '[' && SectionName(body, name)) names.emplace_back(name);
  }
  return names;
}

IniEdit IniWithValue(std::string_view content, std::string_view section, std::string_view key,
                     std::string_view value) {
  IniEdit edit;
  const std::string_view wantedSection = TrimIni(section);
  const std::string_view wantedKey = TrimIni(key);
  if (wantedSection.empty() || wantedKey.empty()) {
    edit.error = std::make_error_code(std::errc::invalid_argument);
    return edit;
  }
  const std::string_view written = TrimLeading(value);
  const Located found = Locate(content, wantedSection, wantedKey, true);
  if (found.keyFound && found.rawValue == TrimIni(written)) return edit;  // it would read the same

  std::string text;
  text.reserve(content.size() + wantedSection.size() + wantedKey.size() + written.size() + 8);
  auto appendEntry = [&](std::string_view name) {
    text += name;
    text += '=';
    text += written;
    text += "\r\n";
  };
  if (found.keyFound) {
    text += content.substr(0, found.keyLine.begin);
    appendEntry(found.fileKey);
    text += content.substr(found.keyLine.next);
  } else if (found.sectionFound) {
    text += content.substr(0, found.insertAt);
    if (found.insertNeedsBreak) text += "\r\n";
    appendEntry(wantedKey);
    text += content.substr(found.insertAt);
  } else {
    text += content;
    if (!content.empty() && content.back() != '\r' && content.back() != '\n') text += "\r\n";
    text += '[';
    text += wantedSection;
    text += "]\r\n";
    appendEntry(wantedKey);
  }

  const Located check = Locate(text, wantedSection, wantedKey, true);
  if (!check.keyFound || check.rawValue != TrimIni(written)) {
    edit.error = std::make_error_code(std::errc::invalid_argument);
    return edit;
  }
  edit.changed = true;
  edit.content = std::move(text);
  return edit;
}

IniEdit IniWithoutKey(std::string_view content, std::string_view section, std::string_view key) {
  IniEdit edit;
  const Located found = Locate(content, TrimIni(section), TrimIni(key), true);
  if (!found.keyFound) return edit;
  edit.changed = true;
  edit.content.reserve(content.size());
  edit.content += content.substr(0, found.keyLine.begin);
  edit.content += content.substr(found.keyLine.next);
  return edit;
}

std::string ReadIniValue(const std::filesystem::path& file, std::string_view section, std::string_view key) {
  ReadBuffer buffer;
  if (!buffer.Load(file)) return {};
  return IniValueOf(buffer.bytes(), section, key);
}

StringList ReadIniSection(const std::filesystem::path& file, std::string_view section) {
  ReadBuffer buffer;
  if (!buffer.Load(file)) return {};
  return IniSectionOf(buffer.bytes(), section);
}

std::error_code WriteIniValue(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view value) {
  std::string content;
  if (std::error_code error = LoadForEdit(file, content)) return error;
  return Apply(file, IniWithValue(content, section, key, value));
}

std::error_code RemoveIniKey(const std::filesystem::path& file, std::string_view section,
                             std::string_view key) {
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(file, error))) return {};
  std::string content;
  if ((error = LoadForEdit(file, content))) return error;
  return Apply(file, IniWithoutKey(content, section, key));
}
