#include "archive/magazine_log.h"

#include <unordered_set>

#include "archive/archive_lock.h"
#include "archive/issue_naming.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/fs.h"
#include "platform/ini.h"
#include "platform/sjis.h"

namespace {

const std::string& IdeographicComma() {
  static const std::string comma = cp932::FromUtf8("、");
  return comma;
}

std::string ShowPreparationFailure(const char* number) {
  const std::string message = cp932::FromUtf8(std::string("ログの書込み準備ができません。(") + number + ")");
  CurrentDialogs().ShowMessage(message);
  return message;
}

// Tells whether a list key was in the issue list the user saw. The list's own keys
// answer most questions at once; anything else falls back to the substring test.
class KnownKeys {
 public:
  explicit KnownKeys(std::string_view knownList) : text_(knownList) {
    for (const std::string& line : SplitLines(knownList)) {
      if (line.size() < 2 || line.front() != '*') continue;
      const std::size_t close = line.find('*', 1);
      if (close != std::string::npos) listed_.insert(line.substr(1, close - 1));
    }
  }
  bool Contains(const std::string& key) const { return listed_.count(key) > 0 || sjis::Contains(text_, key); }

 private:
  std::string_view text_;
  std::unordered_set<std::string> listed_;
};

// An INI value is one line: a title with line breaks in it (they do occur inside a page's
// <title>) is written with blanks in their place.
std::string SingleLine(std::string_view text) {
  return sjis::ReplaceAll(sjis::ReplaceAll(NormalizeLineBreaks(text), "\r\n", " "), "\t", " ");
}

// The fields after the title: "," inside them would shift the fields that follow. The
// circulation's "," is a thousands separator and goes; elsewhere it becomes "、".
std::string IndexLine(const SharedState& state, const std::string& now, std::size_t issueCount) {
  return SingleLine(SanitizeLogValue(state.MagazineTitle) + "," + now + "," +
                    sjis::ReplaceAll(state.IssueCycle, ",", IdeographicComma()) + "," +
                    sjis::ReplaceAll(state.LatestIssueDate, ",", IdeographicComma()) + "," +
                    sjis::ReplaceAll(state.LatestCirculation, ",", "") + "," + std::to_string(issueCount));
}

// Writes one key of the newsletter log; false (after the report) when refused.
bool WriteLogKey(const std::filesystem::path& file, const std::string& section, const char* key,
                 std::string_view value, std::string& error) {
  if (const std::error_code failure = WriteIniValue(file, section, key, value); !failure) return true;
  error = ShowWriteFailure(file);
  return false;
}

}  // namespace

std::filesystem::path NewsletterFolder(const std::filesystem::path& archiveRoot, std::string_view id) {
  return JoinSjis(JoinSjis(archiveRoot, kServiceFolderName), id);
}

std::filesystem::path ArchiveIndexFile(const std::filesystem::path& archiveRoot) {
  return archiveRoot / "log_all.ini";
}

std::filesystem::path MagazineLogFile(const std::filesystem::path& magazineFolder) {
  return magazineFolder / "log.ini";
}

std::string SanitizeLogValue(std::string_view text) {
  static const std::string fullWidthEquals = cp932::FromUtf8("＝");
  return sjis::ReplaceAll(sjis::ReplaceAll(text, "=", fullWidthEquals), ",", IdeographicComma());
}

std::string UpdateMagazineLog(SharedState& state, std::string_view knownList, bool readOnly,
                              const Clock& clock) {
  std::string error;
  if (!IsFolder(state.ArchiveRoot) && !CreateFolders(state.ArchiveRoot)) return ShowPreparationFailure("1");
  // An ID that is no plain folder name would lead outside the archive: nothing is touched.
  if (state.MagazineId.empty() || !IsPlainName(state.MagazineId)) return error;
  // From here on both log files are read and written back: another process doing the same
  // waits, and what it wrote is read again under the lock.
  const ArchiveLock lock(state.ArchiveRoot);

  const std::string now = FormatDateTime(clock());
  state.MagazineFolder = NewsletterFolder(state.ArchiveRoot, state.MagazineId);
  const std::filesystem::path indexFile = ArchiveIndexFile(state.ArchiveRoot);
  const std::string indexValue = ReadIniValue(indexFile, kServiceFolderName, state.MagazineId);
  const std::string storedTitle = indexValue.substr(0, indexValue.find(','));

  const bool folderReady =
      IsFolder(state.MagazineFolder) || (!readOnly && CreateFolders(state.MagazineFolder));
  if (!folderReady && !readOnly) {
    error = ShowPreparationFailure("2");
  } else if (!folderReady) {
    // The folder was removed by hand: listing the previous newsletter's issues would
    // show issues that are not this newsletter's.
    state.StoredIssueList.clear();
  } else {
    state.StoredIssueList.clear();
    const std::filesystem::path logFile = MagazineLogFile(state.MagazineFolder);
    const std::string& section = state.MagazineId;
    int changes = 0;
    const std::string name = ReadIniValue(logFile, section, "Name");
    if (name != SingleLine(state.MagazineTitle)) {
      if (readOnly) {
        // A log without a name keeps the title chosen from the index rather than
        // rewriting the index line with none.
        if (!name.empty()) state.MagazineTitle = name;
      } else {
        if (!WriteLogKey(logFile, section, "Name", SingleLine(state.MagazineTitle), error)) return error;
        ++changes;
      }
    }
    if (!readOnly && ReadIniValue(logFile, section, "Type1") != kServiceFolderName) {
      if (!WriteLogKey(logFile, section, "Type1", kServiceFolderName, error)) return error;
      ++changes;
    }
    const std::string url = state.ServiceLogBase + "/" + state.MagazineId;
    if (!readOnly && ReadIniValue(logFile, section, "Url") != url) {
      if (!WriteLogKey(logFile, section, "Url", url, error)) return error;
      ++changes;
    }
    if (changes > 0 && !WriteLogKey(logFile, section, "Date1", now, error)) return error;

    const KnownKeys known(knownList);
    for (const std::string& fileName : ScanTextFiles(state.MagazineFolder)) {
      const std::string key = IssueListKey(fileName, 0);
      const bool isNew = !knownList.empty() && !known.Contains(key);
      state.StoredIssueList.push_back("*" + key + (isNew ? "*new*" : "*"));
    }
    SortIssueLines(state.StoredIssueList);
  }

  const std::size_t issueCount = folderReady ? state.StoredIssueList.size() : 0;
  if (storedTitle != SingleLine(SanitizeLogValue(state.MagazineTitle)) || !knownList.empty()) {
    const std::error_code failure =
        WriteIniValue(indexFile, kServiceFolderName, state.MagazineId, IndexLine(state, now, issueCount));
    if (failure) return ShowWriteFailure(indexFile);
  }
  return error;
}
