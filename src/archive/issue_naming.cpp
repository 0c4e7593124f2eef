#include "archive/issue_naming.h"

#include "platform/collation.h"
#include "platform/cp932.h"
#include "platform/sjis.h"

namespace {

std::string Remove(std::string_view text, std::string_view what) { return sjis::ReplaceAll(text, what, ""); }

}  // namespace

std::string IssueFileName(std::string_view name, int mode) {
  std::string result = Remove(name, "/");
  result = Remove(result, ":");
  if (mode == 0) {
    result = sjis::ReplaceAll(result, " ", "-");
    return result + ".txt";
  }
  if (mode == 1) {
    result = Remove(result, "*new*");
    result = Remove(result, "*");
    result = sjis::ReplaceAll(result, "_", "-");
    return result + ".txt";
  }
  result = sjis::ReplaceAll(result, " ", "-");
  result = sjis::ReplaceAll(result, "_", "-");
  result = Remove(result, "*new*");
  return Remove(result, "*");
}

bool IsNumberKey(std::string_view name) {
  static const std::string numberMark = cp932::FromUtf8("第");
  return sjis::Contains(name, numberMark);
}

std::string IssueListKey(std::string_view name, int mode) {
  if (mode != 0) {
    std::string result = sjis::ReplaceAll(name, "_", " ");
    result = Remove(result, "*new*");
    return Remove(result, "*");
  }
  std::string result = sjis::ReplaceAll(name, "-", "_");
  result = Remove(result, ".txt");
  result = Remove(result, ".TXT");
  if (IsNumberKey(name)) return result;
  // A date name at fixed places: yyyy, mm, dd_hh, mm; whatever follows is dropped.
  return sjis::Cut(result, 1, 4) + "/" + sjis::Cut(result, 5, 2) + "/" + sjis::Cut(result, 7, 5) + ":" +
         sjis::Cut(result, 12, 2);
}

std::string IssueOrderForm(std::string_view line) {
  constexpr std::size_t kDigits = 10;
  static const std::string numberMark = cp932::FromUtf8("第");
  std::string form;
  std::size_t copied = 0;
  for (std::size_t mark = sjis::FindFrom(line, numberMark, 0); mark != std::string_view::npos;
       mark = sjis::FindFrom(line, numberMark, mark + numberMark.size())) {
    const std::size_t digits = mark + numberMark.size();
    std::size_t end = digits;
    while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
    if (end == digits || end - digits >= kDigits) continue;
    form.append(line, copied, digits - copied);
    form.append(kDigits - (end - digits), '0');
    copied = digits;
  }
  form.append(line, copied);
  return form;
}

void SortIssueLines(StringList& lines) { SortIgnoringCase(lines, IssueOrderForm); }
