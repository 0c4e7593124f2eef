#include "archive/magazine_list.h"

#include <algorithm>

#include "platform/cp932.h"
#include "platform/sjis.h"

namespace {

enum Cell { kNumber, kId, kTitle, kCount, kReadTime, kLatestDate, kCirculation, kCycle };

constexpr long long kCutLimit = 1000;
constexpr std::size_t kNumberWidth = 4;
constexpr std::size_t kCountWidth = 7;
constexpr std::size_t kCirculationWidth = 8;

// Up to `count` bytes from the 1-based position `pos`, never more than 1,000: an index
// line of any length fills the grid with cells of bounded size.
std::string Take(std::string_view text, long long pos, long long count) {
  return sjis::Cut(text, pos, std::min(count, kCutLimit));
}

long long Position(std::string_view text, std::string_view needle) {
  return static_cast<long long>(sjis::Find(text, needle));
}

long long Length(std::string_view text) { return static_cast<long long>(text.size()); }

const std::string& DownMark() {
  static const std::string mark = cp932::FromUtf8("↓");
  return mark;
}

const std::string& UpMark() {
  static const std::string mark = cp932::FromUtf8("↑");
  return mark;
}

}  // namespace

const MagazineRow& MagazineListHeaders() {
  static const MagazineRow headers{"",
                                   "ID",
                                   cp932::FromUtf8("タイトル"),
                                   cp932::FromUtf8("読取数"),
                                   cp932::FromUtf8("読取日時"),
                                   cp932::FromUtf8("最新日"),
                                   cp932::FromUtf8("最新部数"),
                                   cp932::FromUtf8("周期")};
  return headers;
}

std::string RightAligned(std::string_view text, std::size_t width) {
  std::string aligned(width > text.size() ? width - text.size() : 0, ' ');
  return aligned.append(text);
}

std::string RowNumberCell(std::size_t number) { return RightAligned(std::to_string(number), kNumberWidth); }

MagazineRow CutIndexLine(std::string_view line) {
  MagazineRow row;
  const long long equals = Position(line, "=");
  const long long comma = Position(line, ",");
  if (equals == 0) {
    row[kId] = Take(line, 1, Length(line));
    return row;
  }
  row[kId] = Take(line, 1, equals - 1);
  if (equals >= comma) {
    row[kTitle] = Take(line, equals + 1, Length(line));
    return row;
  }
  row[kTitle] = Take(line, equals + 1, comma - equals - 1);
  std::string rest = Take(line, comma + 1, Length(line));
  for (const Cell cell : {kReadTime, kCycle, kLatestDate}) {
    const long long next = Position(rest, ",");
    if (next == 0) {
      row[cell] = rest;
      return row;
    }
    row[cell] = Take(rest, 1, next - 1);
    rest = Take(rest, next + 1, Length(rest));
  }
  const long long next = Position(rest, ",");
  if (next == 0) return row;
  row[kCirculation] = RightAligned(Take(rest, 1, next - 1), kCirculationWidth);
  row[kCount] = RightAligned(sjis::ReplaceAll(Take(rest, next + 1, Length(rest)), ",", ""), kCountWidth);
  return row;
}

std::string NextSortHeader(std::string_view header) {
  if (header.starts_with(DownMark())) return UpMark() + std::string(header.substr(DownMark().size()));
  if (header.starts_with(UpMark())) return DownMark() + std::string(header.substr(UpMark().size()));
  return DownMark() + std::string(header);
}

bool IsAscendingHeader(std::string_view header) { return header.starts_with(DownMark()); }

std::string SortLineOf(const MagazineRow& row, int column) {
  const std::string& cell = row.at(static_cast<std::size_t>(column));
  std::string line = column == kCirculation ? sjis::ReplaceAll(cell, " ", "0") : cell;
  for (int index = kId; index < kMagazineListColumns; ++index) {
    line += ',';
    line += row[static_cast<std::size_t>(index)];
  }
  return line;
}

void TakeCellsFromSortLine(MagazineRow& row, std::string_view line) {
  // The sort key goes up to the first ","; cells 1 to 6 run to the next "," each, cell 7
  // takes the rest.
  auto takeField = [&line]() {
    const std::size_t comma = sjis::Find(line, ",");
    const std::string field(line.substr(0, comma == 0 ? line.size() : comma - 1));
    line = comma == 0 ? std::string_view() : line.substr(comma);
    return field;
  };
  takeField();
  for (int index = kId; index < kCycle; ++index) row[static_cast<std::size_t>(index)] = takeField();
  row[kCycle] = std::string(line);
}
