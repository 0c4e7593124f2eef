#pragma once
// Shift-JIS INI files with the private-profile rules the archive's log files rely on. All
// section names, keys and values are Shift-JIS bytes; paths are native. Nothing throws.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/text_lines.h"

// Value of key in section, "" when the file, section or key is missing. At most 2047 bytes.
std::string ReadIniValue(const std::filesystem::path& file, std::string_view section, std::string_view key);

// Whole section as "key=value" lines in file order, values raw (quotes kept); empty when
// missing. A line without "=" comes back as its key alone.
StringList ReadIniSection(const std::filesystem::path& file, std::string_view section);

// Writes key=value: replaces the value in place, or appends the key after the last entry of
// its section, or appends the section (no blank line before it) at the end of the file,
// creating the file. The whole new file goes to a temporary file in the same folder, is
// flushed, and renamed over the old one. Returns an empty error_code on success; on failure
// the old file is untouched. Names empty after trimming, and names or values that would not
// read back as written (line breaks, a key holding "=", ...) give invalid_argument.
std::error_code WriteIniValue(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view value);

// Deletes the key's line (the section line stays even when it was the last key). Same atomic
// rewrite; a missing file, section or key is not an error.
std::error_code RemoveIniKey(const std::filesystem::path& file, std::string_view section,
                             std::string_view key);

// The same rules on the bytes of a whole INI file in memory; the file functions above are
// these plus the file access.
std::string IniValueOf(std::string_view content, std::string_view section, std::string_view key);
StringList IniSectionOf(std::string_view content, std::string_view section);
// Names of all sections in file order, trimmed, spelled as the file spells them.
StringList IniSectionNamesOf(std::string_view content);

struct IniEdit {
  std::error_code error;  // set: nothing changed
  bool changed = false;   // false: the file already says so and need not be rewritten
  std::string content;    // the new file when changed
};
IniEdit IniWithValue(std::string_view content, std::string_view section, std::string_view key,
                     std::string_view value);
IniEdit IniWithoutKey(std::string_view content, std::string_view section, std::string_view key);
