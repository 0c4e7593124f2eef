#pragma once
// Folders and whole files of the archive. Names that come from Shift-JIS text are
// converted when they join a native path; names read from a folder are converted back
// before the naming rules apply. Nothing here throws.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/text_lines.h"

// A Shift-JIS name joined onto a native folder (converted to UTF-8).
std::filesystem::path JoinSjis(const std::filesystem::path& folder, std::string_view sjisName);

// A native file name (UTF-8) as Shift-JIS. Characters outside code page 932 become "?".
std::string NativeNameToSjis(const std::filesystem::path& name);

bool IsFolder(const std::filesystem::path& path);

// True for a plain file (after links): a folder of that name counts as missing, and a pipe
// or device, which could block a read or never end it, too.
bool IsRegularFile(const std::filesystem::path& path);

// Creates the folder with any missing parents; true when it exists as a folder afterwards.
// A parent that nobody may write to (no write bit at all) is refused even where the
// process could override it, as a read-only medium would be.
bool CreateFolders(const std::filesystem::path& path);

// Names (Shift-JIS) of the plain, non-hidden (not starting with ".") files in `folder` whose
// name ends in ".txt" in any case; folders and symlinks to folders skipped; sorted by name
// bytes so the order is stable. Empty when the folder cannot be read.
StringList ScanTextFiles(const std::filesystem::path& folder);

// A file that ScanTextFiles lists, with its size and modification time from the same look.
struct TextFile {
  std::string name;  // Shift-JIS
  std::int64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds since the epoch
};
// ScanTextFiles with each file's size and modification time; a file gone meanwhile is left out.
std::vector<TextFile> ScanTextFilesWithTimes(const std::filesystem::path& folder);

// Names (Shift-JIS) of the non-hidden folders (and links to folders) in `folder`, sorted by
// name bytes. A name that does not come back unchanged from Shift-JIS is left out: it
// could not be joined onto the folder again. Empty when the folder cannot be read.
StringList ScanFolders(const std::filesystem::path& folder);

// Whole-file read of a regular file (after links); nullopt when it cannot be read. A pipe,
// a device or a folder under the name is never opened in a way that could wait.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

// The same into `bytes`, reusing its storage (for readers called many times in a row).
// False, with `bytes` emptied, when the file cannot be read.
bool ReadWholeFileInto(const std::filesystem::path& file, std::string& bytes);

// The same with a size limit, saying why nothing was read (`bytes` is then empty).
enum class FileRead { kRead, kUnreadable, kNotAFile, kTooLarge };
FileRead ReadRegularFileInto(const std::filesystem::path& file, std::string& bytes, std::size_t maxBytes);

// Empty when `file` may be replaced: its folder exists and may be written, and the file,
// when it exists, is not a folder and may be written. A file or folder without any write
// bit counts as read-only even for a process that could override it.
std::error_code CheckReplaceable(const std::filesystem::path& file);

// How far a write is made durable before it returns. With kFileAndFolder the file's bytes
// reach the disk before its name does, so no crash leaves a torn file under the name, and
// the name is on the disk too. kNone is for pages that are rebuilt whenever needed: the
// name still changes in one step, but a power cut may take the page.
enum class Durability { kFileAndFolder, kNone };

// Writes bytes to a temporary file in the same folder and renames it over `file`; empty
// error_code on success. On failure the old file is untouched and no temporary file is left.
std::error_code WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                                    Durability durability = Durability::kFileAndFolder);

// The two halves of WriteFileAtomically, for writers that make many files durable at
// once: the bytes in a new temporary file beside `file` (refused as WriteFileAtomically
// refuses; nothing is left on failure; without `syncData` their writing to the disk is
// only started), and that file renamed over `file` (removed on failure).
std::error_code WriteTemporaryFor(const std::filesystem::path& file, std::string_view bytes, bool syncData,
                                  std::filesystem::path& temporary);
std::error_code RenameIntoPlace(const std::filesystem::path& temporary, const std::filesystem::path& file);

// Waits until every byte written to the file system that holds `folder` is on the disk.
std::error_code SyncFileSystemOf(const std::filesystem::path& folder);

// For tests: called before each sync of SyncFileSystemOf (with the folder) and each
// rename of RenameIntoPlace (with the file's final name), the steps whose order keeps a
// stored file whole. An error it returns fails the step, which then does not happen.
// Empty: nothing is called.
enum class DurabilityStep { kSync, kRename };
void SetDurabilityStepHook(std::function<std::error_code(DurabilityStep, const std::filesystem::path&)> hook);

// The file system's limit on one name in a folder, asked once.
class NameLimit {
 public:
  explicit NameLimit(const std::filesystem::path& folder);
  // True when `sjisName`, and the temporary name it is written under first, fit the limit.
  bool Fits(std::string_view sjisName) const;

 private:
  std::size_t limit_;
};

// True while the process `process` exists (under any user).
bool ProcessRuns(pid_t process);

// Removes the temporary files that WriteFileAtomically left in `folder` from processes
// that no longer run (a killed write); those of running processes stay.
void RemoveStaleTemporaryFiles(const std::filesystem::path& folder);
// True for the name of a temporary file that WriteFileAtomically makes beside its target
// ("." + file name + ".tmp-" + process ID + "-" + counter), left behind only by a crash.
bool IsTemporaryFileName(std::string_view nativeName);

// Makes the names created in `folder` durable.
void SyncFolder(const std::filesystem::path& folder);

// True when `name` (Shift-JIS) may be used as one folder or file name: not empty, not "."
// or "..", no "/" or "\" (as characters, not trail bytes), no control bytes (< 0x20, 0x7F).
bool IsPlainName(std::string_view sjisName);
