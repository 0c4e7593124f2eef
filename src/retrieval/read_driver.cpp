#include "retrieval/read_driver.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "archive/issue_naming.h"
#include "archive/magazine_log.h"
#include "archive/work_pages.h"
#include "platform/collation.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "retrieval/identification.h"
#include "retrieval/page_parsing.h"

namespace {

const std::string kLinkMarker = "onclick=\"dynamicLink(";

std::string Sj(std::string_view utf8) { return cp932::FromUtf8(utf8); }

std::string ReadStatus(std::string_view inner) { return "*** " + std::string(inner) + " ***"; }

// A whole number as the listing announces it; `fallback` for anything else.
int WholeNumberOr(const std::string& text, int fallback) {
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  if (start == text.size()) return fallback;
  const char* begin = text.c_str() + start;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(begin, &end, 10);
  if (end == begin || *end != '\0' || errno == ERANGE || value > INT_MAX || value < INT_MIN) return fallback;
  return static_cast<int>(value);
}

// Lines as a memo adds a text: every line break starts a new line, and the text after
// the last break is a line even when empty.
StringList TextAsAddedLines(std::string_view text) {
  const std::string normalised = NormalizeLineBreaks(text);
  StringList lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = normalised.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(normalised.substr(start));
      return lines;
    }
    lines.push_back(normalised.substr(start, end - start));
    start = end + 2;
  }
}

}  // namespace

RetrievalDriver::RetrievalDriver(SharedState& state, PageFetcher& fetcher, const ServiceTable& services,
                                 ReadSurface& surface)
    : state_(state), fetcher_(fetcher), services_(services), surface_(surface) {}

void RetrievalDriver::AppendResult(const StringList& lines) {
  resultLines_.insert(resultLines_.end(), lines.begin(), lines.end());
  surface_.AppendResultLines(lines);
}

void RetrievalDriver::RunRetrieval(std::string_view address) {
  end_ = ReadEnd::kNotRead;
  writeFailureShown_ = false;
  folderReady_ = false;
  // Cancel gives up the page in flight too, for this read only: the flag stays set after it.
  fetcher_.SetCancelCheck([this] { return state_.CancelRequested != 0; });
  struct CancelCheckReset {
    PageFetcher& fetcher;
    ~CancelCheckReset() { fetcher.SetCancelCheck({}); }
  } cancelCheckReset{fetcher_};

  ProcessMessages();
  state_.IssueQueue.clear();
  state_.ResultText.clear();
  state_.StoredIssueList.clear();
  resultLines_.clear();
  surface_.SetResultLines(resultLines_);

  state_.ServiceKind.clear();
  state_.MagazineTitle.clear();
  state_.ServiceLogBase.clear();
  state_.ServiceRoot.clear();
  state_.MagazineId.clear();
  state_.IssueCycle.clear();
  state_.LatestIssueDate.clear();
  state_.LatestCirculation.clear();
  state_.PageText.clear();
  state_.HtmlFormatFlag = 0;

  IdentifyMagazine(state_, fetcher_, services_, address, 0);
  surface_.ShowIdentity(state_.ServiceLabel, state_.TitleText);

  if (state_.ServiceKind == "a") {
    ReadBackNumbers();
    // A read cancelled before its folder was fixed has nowhere of its own for the page.
    if (!resultLines_.empty() && folderReady_) {
      resultLines_.insert(resultLines_.begin(), std::string(kPlainHead));
      surface_.InsertResultLineAtStart(std::string(kPlainHead));
      AppendResult({std::string(kPlainTail)});
      const std::filesystem::path page = state_.MagazineFolder / "work.htm";
      if (WriteFileAtomically(page, JoinLines(resultLines_))) {
        // The folder that refused an issue refuses the page too: one report is enough.
        if (!writeFailureShown_) ShowWriteFailure(page);
      } else {
        ProcessMessages();
        WaitWithMessages(100);
        surface_.ShowPage(page);
      }
    }
  }
  surface_.ShowTaskTitle("Yomitoru");
}

int RetrievalDriver::ListingPageCount(const SharedState& state) {
  static const std::string firstPageImage = Sj("alt=\"一番前へ\"");
  const std::size_t first = sjis::Find(state.PageTextLower, firstPageImage);
  const std::size_t table = sjis::Find(state.PageText, "<td><a href=\"/m/log/");
  std::string count;
  if (table > 0 && table < first) {
    count = sjis::Cut(state.PageTextLower, static_cast<long long>(table) + 21, 200);
    const std::size_t link = sjis::Find(count, kLinkMarker);
    count = sjis::Cut(count, static_cast<long long>(link) + 22, 100);
    const std::size_t page = sjis::Find(count, "page=");
    if (page > 0) {
      count = sjis::Cut(count, static_cast<long long>(page) + 5, 10);
      const std::size_t quote = sjis::Find(count, "'");
      if (quote > 0) count = sjis::Left(count, static_cast<long long>(quote) - 1);
    }
  }
  return WholeNumberOr(count, 1);
}

bool RetrievalDriver::IsKnown(const std::string& entry, const std::string& knownKeys) const {
  if (surface_.ReadChoice() != 0 || entry.empty()) return false;
  const std::string key = entry.substr(0, entry.find(','));
  // A numbered key is shorter than the 16 characters of a date key, so it is looked up
  // whole; otherwise its tail would make every numbered issue look new.
  if (IsNumberKey(key)) return (knownKeys + ",").find("," + key + ",") != std::string::npos;
  return knownKeys.find(entry.substr(0, 16)) != std::string::npos;
}

StringList RetrievalDriver::ReadLinksOfPage() {
  StringList entries;
  while (const std::size_t at = sjis::Find(state_.PageText, kLinkMarker)) {
    std::string link = sjis::Cut(state_.PageText, static_cast<long long>(at) + 22, 500);
    state_.PageText.erase(at - 1, kLinkMarker.size());
    if (const std::size_t end = sjis::Find(link, "</a>"))
      link = sjis::Left(link, static_cast<long long>(end) - 1);
    std::string entry;
    if (sjis::Contains(link, "page=") && sjis::Contains(link, "#")) {
      entry = ParseAnchorLink(link);
    } else if (sjis::Contains(link, "return false;") && sjis::Contains(link, ".html")) {
      entry = ParseIssueLink(link);
    }
    if (!entry.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

void RetrievalDriver::ErrorEnd() {
  fetcher_.FetchPage("", -1);
  surface_.ShowStatus(ReadStatus(Sj("エラーが発生しました")));
  end_ = ReadEnd::kFailed;
}

void RetrievalDriver::CancelEnd() {
  const std::string cancelled = ReadStatus(Sj("キャンセルしました"));
  surface_.ShowStatus(cancelled);
  AppendResult({cancelled});
  surface_.ScrollResultToEnd();
  fetcher_.FetchPage("", -1);
  end_ = ReadEnd::kCancelled;
}

bool RetrievalDriver::MayReplace(const std::string& stored, const std::string& content) const {
  if (!fetcher_.LastFetch().convertedCleanly) return false;
  // The header line names the address, which moves with the service; the text counts.
  const auto textSize = [](const std::string& issue) {
    const std::size_t lineEnd = issue.find("\r\n");
    return lineEnd == std::string::npos ? 0 : issue.size() - lineEnd - 2;
  };
  return textSize(content) >= textSize(stored);
}

RetrievalDriver::IssueResult RetrievalDriver::ReadIssue(const std::string& queueLine,
                                                        std::string& lastBaseName) {
  const std::size_t comma = queueLine.find(',');
  const std::string key = comma == std::string::npos ? std::string() : queueLine.substr(0, comma);
  const std::string tail = comma == std::string::npos ? std::string() : queueLine.substr(comma + 1);
  if (key.empty() || tail.empty()) return IssueResult::kSkipped;
  // A key that makes no plain file name (a "\" or a control byte in a numbered key), or a
  // hidden one that the archive would never list, cannot be stored; it is passed over
  // like an issue that did not arrive.
  const std::string fileName = IssueFileName(key, 0);
  if (!IsPlainName(fileName) || fileName.front() == '.') return IssueResult::kSkipped;
  if (!FitsNameLimit(state_.MagazineFolder, fileName)) {
    AppendResult({ReadStatus(Sj("ファイル名が長すぎるため保存できません(") + key + ")")});
    return IssueResult::kSkipped;
  }

  const std::string address = state_.ServiceLogBase + "/" + state_.MagazineId + "/" + tail;
  surface_.ShowStatus(ReadStatus(Sj("メルマガ読取り中(") + key + ")"));
  ProcessMessages();
  if (fetcher_.FetchPage(address, 0) <= 0) return IssueResult::kSkipped;
  // An error page, a page cut by the read limit or one without issue text is no issue:
  // storing it would replace a good copy, and a later read would never fetch it again.
  const FetchDetails& fetched = fetcher_.LastFetch();
  if (fetched.status != 200 || fetched.cutByReadLimit) return IssueResult::kSkipped;
  const std::string body = ExtractIssueBody(state_.PageTextLower);
  if (body.empty()) return IssueResult::kSkipped;

  StringList issueLines{key + " " + address};
  for (std::string& line : TextAsAddedLines(body)) issueLines.push_back(std::move(line));
  const std::string content = JoinLines(issueLines);
  const std::filesystem::path file = JoinSjis(state_.MagazineFolder, fileName);
  const std::optional<std::string> stored = ReadWholeFile(file);
  if (stored && *stored != content && !MayReplace(*stored, content)) return IssueResult::kSkipped;
  // A copy that is stored already stays as it is.
  if ((!stored || *stored != content) && WriteFileAtomically(file, content, Durability::kFileOnly)) {
    ShowWriteFailure(file);
    writeFailureShown_ = true;
    return IssueResult::kWriteFailed;
  }
  AppendResult(issueLines);
  lastBaseName = IssueFileName(key, 2);
  if (surface_.RangeKey().empty()) surface_.SetRangeKey(lastBaseName);
  state_.ResultText.insert(state_.ResultText.end(), issueLines.begin(), issueLines.end());
  return IssueResult::kStored;
}

void RetrievalDriver::ReadBackNumbers() {
  surface_.ShowStatus(ReadStatus(Sj("記事一覧取得中")));
  ProcessMessages();
  // Cancel pressed while the top page was on its way.
  if (state_.CancelRequested != 0) return CancelEnd();
  // An ID that is no plain folder name would put the files outside the archive.
  if (state_.PageText.empty() || !IsPlainName(state_.MagazineId)) {
    surface_.ShowStatus(ReadStatus(Sj("不明なエラーが発生しました")));
    end_ = ReadEnd::kFailed;
    return;
  }
  state_.MagazineFolder = JoinSjis(state_.ArchiveRoot / "magumagu", state_.MagazineId);
  if (!CreateFolders(state_.MagazineFolder)) {
    ShowWriteFailure(state_.MagazineFolder);
    writeFailureShown_ = true;
    return ErrorEnd();
  }
  folderReady_ = true;
  // What a killed read left half-written.
  RemoveStaleTemporaryFiles(state_.MagazineFolder);
  RemoveStaleTemporaryFiles(state_.ArchiveRoot);

  const int pageCount = ListingPageCount(state_);
  const std::string issueList = surface_.IssueListText();
  std::string knownKeys;
  if (!issueList.empty() && surface_.ReadChoice() == 0) {
    for (const std::string& line : SplitLines(issueList)) {
      knownKeys += ',';
      knownKeys += IssueListKey(line, 1);
    }
  }

  int result = 0;
  resultLines_.clear();
  surface_.SetResultLines(resultLines_);
  state_.ResultText.clear();
  surface_.SetRangeKey("");
  StringList previousEntries;
  for (int page = 1; page <= pageCount;) {
    if (result < 0) break;
    if (state_.CancelRequested != 0) return CancelEnd();
    StringList entries = ReadLinksOfPage();
    // Past the last page a server may answer with no issues, or with the last page
    // again: either ends the walk, whatever page count the first page announced.
    if (page > 1 && (entries.empty() || entries == previousEntries)) break;
    for (const std::string& entry : entries) {
      if (!IsKnown(entry, knownKeys)) state_.IssueQueue.push_back(entry);
    }
    previousEntries = std::move(entries);
    ++page;
    if (page <= pageCount) {
      surface_.ShowStatus("*** " + std::to_string(page) + "/" + std::to_string(pageCount) +
                          Sj(" ページ目取得中 ***"));
      surface_.ShowTaskTitle("Yomitoru.." + std::to_string(page));
      ProcessMessages();
      result = fetcher_.FetchPage(
          state_.ServiceLogBase + "/" + state_.MagazineId + "/?page=" + std::to_string(page), 0);
      if (state_.CancelRequested != 0) return CancelEnd();
      // A listing page that does not come is a failed read: passing over it would leave
      // its issues out while the read reports success.
      if (result > 0 && fetcher_.LastFetch().status != 200) result = -2;
    }
  }
  if (result < 0) return ErrorEnd();
  surface_.ShowStatus("");
  if (surface_.OrderChoice() == 1) SortIgnoringCase(state_.IssueQueue);

  state_.ResultText.clear();
  surface_.ShowStatus(ReadStatus(Sj("メルマガ読取り中")));
  surface_.ShowTaskTitle("Yomitoru");
  ProcessMessages();
  int storedCount = 0;
  bool skipped = false;
  std::string lastBaseName;
  for (const std::string& queueLine : state_.IssueQueue) {
    if (state_.CancelRequested != 0) return CancelEnd();
    switch (ReadIssue(queueLine, lastBaseName)) {
      case IssueResult::kStored:
        ++storedCount;
        break;
      case IssueResult::kSkipped:
        skipped = true;
        break;
      case IssueResult::kWriteFailed:
        return ErrorEnd();
    }
  }
  // An issue given up because of the cancel is no skip: the cancel end follows.
  if (state_.CancelRequested != 0) return CancelEnd();
  fetcher_.FetchPage("", -1);
  SyncFolder(state_.MagazineFolder);  // the names of the issues stored, once for all
  const std::string rangeKey = surface_.RangeKey();
  if (rangeKey != lastBaseName) surface_.SetRangeKey(rangeKey + "_" + lastBaseName);
  surface_.ShowStatus("*** " + std::to_string(storedCount) + Sj("件取得しました ***"));

  if (!UpdateMagazineLog(state_, issueList + "x", false).empty()) {
    end_ = ReadEnd::kFailed;
    return;
  }
  surface_.SetIssueListText(JoinLines(state_.StoredIssueList));
  surface_.OrderIssueList();
  end_ = skipped ? ReadEnd::kIncomplete : ReadEnd::kComplete;
}
