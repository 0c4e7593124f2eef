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
    if (!resultLines_.empty()) {
      resultLines_.insert(resultLines_.begin(), std::string(kPlainHead));
      surface_.InsertResultLineAtStart(std::string(kPlainHead));
      AppendResult({std::string(kPlainTail)});
      const std::filesystem::path page = state_.MagazineFolder / "work.htm";
      if (WriteFileAtomically(page, JoinLines(resultLines_))) {
        ShowWriteFailure(page);
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

void RetrievalDriver::ReadLinksOfPage(const std::string& knownKeys) {
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
    if (IsKnown(entry, knownKeys)) entry.clear();
    if (!entry.empty()) state_.IssueQueue.push_back(entry);
  }
}

void RetrievalDriver::CancelEnd() {
  const std::string cancelled = ReadStatus(Sj("キャンセルしました"));
  surface_.ShowStatus(cancelled);
  AppendResult({cancelled});
  surface_.ScrollResultToEnd();
  fetcher_.FetchPage("", -1);
}

bool RetrievalDriver::ReadIssue(const std::string& queueLine, int& storedCount, std::string& lastBaseName) {
  const std::size_t comma = queueLine.find(',');
  const std::string key = comma == std::string::npos ? std::string() : queueLine.substr(0, comma);
  const std::string tail = comma == std::string::npos ? std::string() : queueLine.substr(comma + 1);
  if (key.empty() || tail.empty()) return true;
  // A key that makes no plain file name (a "\" or a control byte in a numbered key)
  // cannot be stored; it is passed over like an issue that did not arrive.
  const std::string fileName = IssueFileName(key, 0);
  if (!IsPlainName(fileName)) return true;

  const std::string address = state_.ServiceLogBase + "/" + state_.MagazineId + "/" + tail;
  surface_.ShowStatus(ReadStatus(Sj("メルマガ読取り中(") + key + ")"));
  ProcessMessages();
  if (fetcher_.FetchPage(address, 0) <= 0) return true;

  StringList issueLines{key + " " + address};
  for (std::string& line : TextAsAddedLines(ExtractIssueBody(state_.PageTextLower)))
    issueLines.push_back(std::move(line));
  AppendResult(issueLines);
  const std::filesystem::path file = JoinSjis(state_.MagazineFolder, fileName);
  if (WriteFileAtomically(file, JoinLines(issueLines), Durability::kFileOnly)) {
    ShowWriteFailure(file);
    return false;
  }
  lastBaseName = IssueFileName(key, 2);
  if (surface_.RangeKey().empty()) surface_.SetRangeKey(lastBaseName);
  state_.ResultText.insert(state_.ResultText.end(), issueLines.begin(), issueLines.end());
  ++storedCount;
  return true;
}

void RetrievalDriver::ReadBackNumbers() {
  surface_.ShowStatus(ReadStatus(Sj("記事一覧取得中")));
  ProcessMessages();
  // An ID that is no plain folder name would put the files outside the archive.
  if (state_.PageText.empty() || !IsPlainName(state_.MagazineId)) {
    surface_.ShowStatus(ReadStatus(Sj("不明なエラーが発生しました")));
    return;
  }
  state_.MagazineFolder = JoinSjis(state_.ArchiveRoot / "magumagu", state_.MagazineId);
  if (!CreateFolders(state_.MagazineFolder)) {
    fetcher_.FetchPage("", -1);
    ShowWriteFailure(state_.MagazineFolder);
    surface_.ShowStatus(ReadStatus(Sj("エラーが発生しました")));
    return;
  }

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
  for (int page = 1; page <= pageCount;) {
    if (result < 0) break;
    if (state_.CancelRequested != 0) return CancelEnd();
    ReadLinksOfPage(knownKeys);
    ++page;
    if (page <= pageCount) {
      surface_.ShowStatus("*** " + std::to_string(page) + "/" + std::to_string(pageCount) +
                          Sj(" ページ目取得中 ***"));
      surface_.ShowTaskTitle("Yomitoru.." + std::to_string(page));
      ProcessMessages();
      result = fetcher_.FetchPage(
          state_.ServiceLogBase + "/" + state_.MagazineId + "/?page=" + std::to_string(page), 0);
    }
  }
  if (result < 0) {
    fetcher_.FetchPage("", -1);
    surface_.ShowStatus(ReadStatus(Sj("エラーが発生しました")));
    return;
  }
  surface_.ShowStatus("");
  if (surface_.OrderChoice() == 1) SortIgnoringCase(state_.IssueQueue);

  state_.ResultText.clear();
  surface_.ShowStatus(ReadStatus(Sj("メルマガ読取り中")));
  surface_.ShowTaskTitle("Yomitoru");
  ProcessMessages();
  int storedCount = 0;
  std::string lastBaseName;
  for (const std::string& queueLine : state_.IssueQueue) {
    if (state_.CancelRequested != 0) return CancelEnd();
    if (!ReadIssue(queueLine, storedCount, lastBaseName)) {
      fetcher_.FetchPage("", -1);
      surface_.ShowStatus(ReadStatus(Sj("エラーが発生しました")));
      return;
    }
  }
  fetcher_.FetchPage("", -1);
  SyncFolder(state_.MagazineFolder);  // the names of the issues stored, once for all
  const std::string rangeKey = surface_.RangeKey();
  if (rangeKey != lastBaseName) surface_.SetRangeKey(rangeKey + "_" + lastBaseName);
  surface_.ShowStatus("*** " + std::to_string(storedCount) + Sj("件取得しました ***"));

  if (!UpdateMagazineLog(state_, issueList + "x", false).empty()) return;
  surface_.SetIssueListText(JoinLines(state_.StoredIssueList));
  surface_.OrderIssueList();
}
