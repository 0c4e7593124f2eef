#include "retrieval/read_driver.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "archive/issue_naming.h"
#include "archive/magazine_log.h"
#include "archive/work_pages.h"
#include "platform/bench_trace.h"
#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/durable_writer.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "retrieval/identification.h"
#include "retrieval/page_parsing.h"

namespace {

std::string Sj(std::string_view utf8) { return cp932::FromUtf8(utf8); }

std::string ReadStatus(std::string_view inner) { return "*** " + std::string(inner) + " ***"; }

// Why an issue page brought no issue, as its left-out line says it (UTF-8); empty when
// the read was cancelled meanwhile.
std::string LeftOutReason(int fetched, const FetchDetails& details) {
  if (fetched > 0) {
    if (details.status != 200) return "HTTP " + std::to_string(details.status);
    if (details.cutByReadLimit) return "途中で切れました";
    return "本文がありません";
  }
  switch (details.failure) {
    case HttpFailure::kGivenUp:
      return {};
    case HttpFailure::kBroken:
      return "途中で切れました";
    case HttpFailure::kSilent:
      return "応答がありません";
    case HttpFailure::kTooLarge:
      return "大きすぎます";
    default:
      return "接続できませんでした";
  }
}

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

// Whether a fetched issue may replace the different issue stored under its name: not when
// its page lost characters in the conversion, nor when it would leave a shorter text.
bool MayReplace(bool convertedCleanly, const std::string& stored, const std::string& content) {
  if (!convertedCleanly) return false;
  // The header line names the address, which moves with the service; the text counts.
  const auto textSize = [](const std::string& issue) {
    const std::size_t lineEnd = issue.find("\r\n");
    return lineEnd == std::string::npos ? 0 : issue.size() - lineEnd - 2;
  };
  return textSize(content) >= textSize(stored);
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
  storedCount_ = 0;
  leftOutCount_ = 0;
  writeFailureShown_ = false;
  nameLimit_.reset();
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
    if (!resultLines_.empty() && nameLimit_) {
      resultLines_.insert(resultLines_.begin(), std::string(kPlainHead));
      surface_.InsertResultLineAtStart(std::string(kPlainHead));
      AppendResult({std::string(kPlainTail)});
      // Memo1 takes the whole result in while the page is written and the view waits.
      surface_.SealResultLines();
      const std::filesystem::path page = state_.MagazineFolder / "work.htm";
      ProcessMessages();
      // The page is made again from the issue files whenever needed: no wait for the disk.
      if (WriteFileAtomically(page, JoinLines(resultLines_), Durability::kNone)) {
        // The folder that refused an issue refuses the page too: one report is enough.
        if (!writeFailureShown_) ShowWriteFailure(page);
      } else {
        ProcessMessages();
        WaitWithMessages(100);
        surface_.ShowPage(page);
      }
    }
  }
  surface_.CompleteResultLines();
  surface_.ShowTaskTitle("Yomitoru");
}

int RetrievalDriver::ListingPageCount(const SharedState& state) {
  static const std::string firstPageImage = Sj("alt=\"一番前へ\"");
  const std::size_t first = sjis::Find(state.PageTextLower, firstPageImage);
  const std::size_t table = sjis::Find(state.PageText, "<td><a href=\"/m/log/");
  std::string count;
  if (table > 0 && table < first) {
    count = sjis::Cut(state.PageTextLower, static_cast<long long>(table) + 21, 200);
    const std::size_t link = sjis::Find(count, kListingLinkMarker);
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

void RetrievalDriver::ErrorEnd() {
  fetcher_.FetchPage("", -1);
  surface_.ShowStatus(ReadStatus(Sj("エラーが発生しました")));
  end_ = ReadEnd::kFailed;
}

std::string RetrievalDriver::ShowCancelStatus() {
  const std::string cancelled = ReadStatus(Sj("キャンセルしました"));
  surface_.ShowStatus(cancelled);
  TraceMoment("cancel-shown");
  return cancelled;
}

void RetrievalDriver::CancelEnd() {
  const std::string cancelled = ShowCancelStatus();
  AppendResult({cancelled});
  surface_.ScrollResultToEnd();
  fetcher_.FetchPage("", -1);
  end_ = ReadEnd::kCancelled;
}

RetrievalDriver::IssuePlan RetrievalDriver::PlanIssue(const std::string& queueLine) const {
  IssuePlan plan;
  const std::size_t comma = queueLine.find(',');
  if (comma == std::string::npos) return plan;
  plan.key = queueLine.substr(0, comma);
  const std::string tail = queueLine.substr(comma + 1);
  if (plan.key.empty() || tail.empty()) return plan;
  // A key that makes no plain file name (a "\\" or a control byte in a numbered key), or a
  // hidden one that the archive would never list, cannot be stored; it is passed over
  // like an issue that did not arrive.
  plan.fileName = IssueFileName(plan.key, 0);
  if (!IsPlainName(plan.fileName) || plan.fileName.front() == '.') {
    plan.nameUnusable = true;
    return plan;
  }
  if (!nameLimit_ || !nameLimit_->Fits(plan.fileName)) {
    plan.nameTooLong = true;
    return plan;
  }
  plan.address = state_.ServiceLogBase + "/" + state_.MagazineId + "/" + tail;
  return plan;
}

bool RetrievalDriver::ReadIssue(const IssuePlan& plan, const IssuePlan& next) {
  if (plan.nameTooLong) StoreNote(ReadStatus(Sj("ファイル名が長すぎるため保存できません(") + plan.key + ")"));
  if (plan.nameUnusable) StoreLeftOut(plan.key, "名前に使えない文字があります");
  if (plan.address.empty()) return false;
  if (serverGone_) {
    StoreLeftOut(plan.key, "接続できませんでした");
    return false;
  }

  surface_.ShowStatus(ReadStatus(Sj("メルマガ読取り中(") + plan.key + ")"));
  ProcessMessages();
  const int fetched = fetcher_.FetchPage(plan.address, 0);
  const FetchDetails& details = fetcher_.LastFetch();
  // Refused after its tries: the service is gone, and asking it for every issue left
  // would only cost the connect retries of each.
  serverGone_ = fetched < 0 && details.failure == HttpFailure::kCannotConnect;
  // The next page is on its way while this one is cut out and stored.
  if (!next.address.empty() && !serverGone_) fetcher_.Prefetch(next.address);
  // An error page, a page cut by the read limit or one without issue text is no issue:
  // storing it would replace a good copy, and a later read would never fetch it again.
  const std::string body = fetched > 0 && details.status == 200 && !details.cutByReadLimit
                               ? ExtractIssueBody(state_.PageTextLower)
                               : std::string();
  if (body.empty()) {
    if (const std::string reason = LeftOutReason(fetched, details); !reason.empty())
      StoreLeftOut(plan.key, reason);
    return false;
  }

  StoredIssue issue{{plan.key + " " + plan.address}, IssueFileName(plan.key, 2), plan.key};
  for (std::string& line : TextAsAddedLines(body)) issue.lines.push_back(std::move(line));
  std::string content = JoinLines(issue.lines);
  // A copy stored already stays as it is; a different one is replaced only by a sound one.
  Store(std::move(issue), JoinSjis(state_.MagazineFolder, plan.fileName), std::move(content),
        [convertedCleanly = fetcher_.LastPageConvertedCleanly()](const std::string& stored,
                                                                 const std::string& fetched) {
          return MayReplace(convertedCleanly, stored, fetched);
        });
  return true;
}

void RetrievalDriver::Store(StoredIssue issue, std::filesystem::path file, std::string content,
                            DurableWriter::ReplaceCheck mayReplace) {
  writer_->Submit(std::move(file), std::move(content), std::move(mayReplace));
  awaiting_.push_back(std::move(issue));
}

void RetrievalDriver::StoreNote(std::string line) { Store({{std::move(line)}, {}, {}}, {}, {}); }

void RetrievalDriver::StoreLeftOut(const std::string& key, std::string_view reasonUtf8) {
  StoreNote(ReadStatus(Sj("取得できませんでした(") + key + "): " + Sj(reasonUtf8)));
}

bool RetrievalDriver::ShowStoredIssues(bool waitForAll) {
  if (waitForAll) writer_->Finish([] { ProcessMessages(); });
  for (const DurableWriter::Result& result : writer_->TakeResults()) {
    StoredIssue issue = std::move(awaiting_.front());
    awaiting_.pop_front();
    if (result.error) {
      // Later issues were given up with it; only the first failure is news.
      if (!writeFailureShown_) ShowWriteFailure(result.file);
      writeFailureShown_ = true;
      continue;
    }
    // The failed issue, and whatever came after it, is shown nowhere.
    if (writeFailureShown_) continue;
    // Passed over: the stored issue stays, the next read tries again.
    if (result.kept || result.notAFile) {
      skipped_ = true;
      issue.lines = {result.kept ? ReadStatus(Sj("保存済みの号を残しました(") + issue.key + ")")
                                 : ReadStatus(Sj("保存できませんでした(") + issue.key +
                                              Sj("): 保存先がファイルではありません"))};
      issue.baseName.clear();
    }
    AppendResult(issue.lines);
    if (issue.baseName.empty()) {  // a note, not an issue
      if (!result.kept) ++leftOutCount_;
      for (const std::string& line : issue.lines) surface_.ReportLeftOut(line);
      continue;
    }
    ++storedCount_;
    lastBaseName_ = issue.baseName;
    if (storedCount_ == 1) surface_.SetRangeKey(lastBaseName_);  // emptied before the walk
    state_.ResultText.insert(state_.ResultText.end(), issue.lines.begin(), issue.lines.end());
  }
  return !writeFailureShown_;
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
  nameLimit_.emplace(state_.MagazineFolder);
  // What a killed read left half-written.
  RemoveStaleTemporaryFiles(state_.MagazineFolder);
  RemoveStaleTemporaryFiles(state_.ArchiveRoot);

  const int pageCount = ListingPageCount(state_);
  // What this newsletter has stored, whatever list the window shows: the issues a read
  // of 未読取分 skips, and the list the new ones are marked against.
  std::string earlierList;
  std::string knownKeys;
  for (const std::string& fileName : ScanTextFiles(state_.MagazineFolder)) {
    const std::string listKey = IssueListKey(fileName, 0);
    // Appended piece by piece: GCC 12 warns falsely of an overlap on a chain of "+".
    earlierList.append("*").append(listKey).append("*\r\n");
    if (surface_.ReadChoice() == 0) knownKeys.append(",").append(IssueListKey(listKey, 1));
  }

  int result = 0;
  resultLines_.clear();
  surface_.SetResultLines(resultLines_);
  state_.ResultText.clear();
  surface_.SetRangeKey("");
  StringList previousEntries;
  const auto listingAddress = [this](int page) {
    return state_.ServiceLogBase + "/" + state_.MagazineId + "/?page=" + std::to_string(page);
  };
  // Each listing page is on its way while the one before it is read.
  if (pageCount > 1) fetcher_.Prefetch(listingAddress(2));
  for (int page = 1; page <= pageCount;) {
    if (result < 0) break;
    if (state_.CancelRequested != 0) return CancelEnd();
    StringList entries = TakeIssueLinks(state_.PageText);
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
      result = fetcher_.FetchPage(listingAddress(page), 0);
      if (state_.CancelRequested != 0) return CancelEnd();
      // A listing page that does not come is a failed read: passing over it would leave
      // its issues out while the read reports success.
      if (result > 0 && fetcher_.LastFetch().status != 200) result = -2;
      if (result > 0 && page < pageCount) fetcher_.Prefetch(listingAddress(page + 1));
    }
  }
  if (result < 0) return ErrorEnd();
  surface_.ShowStatus("");
  if (surface_.OrderChoice() == 1) SortIssueLines(state_.IssueQueue);

  state_.ResultText.clear();
  surface_.ShowStatus(ReadStatus(Sj("メルマガ読取り中")));
  surface_.ShowTaskTitle("Yomitoru");
  ProcessMessages();
  // Issue files go to the disk in the background; an issue is shown once its file stands.
  DurableWriter writer(state_.MagazineFolder);
  writer_ = &writer;
  struct WriterReset {
    DurableWriter*& writer;
    ~WriterReset() { writer = nullptr; }
  } writerReset{writer_};
  awaiting_.clear();
  lastBaseName_.clear();
  skipped_ = false;
  serverGone_ = false;
  const StringList& queue = state_.IssueQueue;
  IssuePlan plan = queue.empty() ? IssuePlan{} : PlanIssue(queue.front());
  for (std::size_t i = 0; i < queue.size(); ++i) {
    if (state_.CancelRequested != 0) break;
    IssuePlan next = i + 1 < queue.size() ? PlanIssue(queue[i + 1]) : IssuePlan{};
    if (!ReadIssue(plan, next)) skipped_ = true;
    if (!ShowStoredIssues(false)) return ErrorEnd();
    plan = std::move(next);
  }
  // What was fetched before a cancel stays stored and shown; the cancel shows at once,
  // while those files are still on their way to the disk.
  const bool cancelled = state_.CancelRequested != 0;
  if (cancelled) ShowCancelStatus();
  if (!ShowStoredIssues(true)) return ErrorEnd();
  if (cancelled) return CancelEnd();
  fetcher_.FetchPage("", -1);
  const std::string rangeKey = surface_.RangeKey();
  if (rangeKey != lastBaseName_) surface_.SetRangeKey(rangeKey + "_" + lastBaseName_);
  surface_.ShowStatus("*** " + std::to_string(storedCount_) + Sj("件取得しました ***"));

  ProcessMessages();
  if (!UpdateMagazineLog(state_, earlierList + "x", false).empty()) {
    end_ = ReadEnd::kFailed;
    return;
  }
  ProcessMessages();
  surface_.SetIssueListText(JoinLines(state_.StoredIssueList));
  surface_.OrderIssueList();
  end_ = skipped_ ? ReadEnd::kIncomplete : ReadEnd::kComplete;
}
