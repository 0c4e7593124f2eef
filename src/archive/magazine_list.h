#pragma once
// The rows of the newsletter list: the archive index's "ID=value" lines cut into the eight
// cells of a row, and the lines by which the rows are sorted on one column. All cells are
// Shift-JIS.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

inline constexpr int kMagazineListColumns = 8;

// Cells 0 to 7: row number, ID, title, stored issue count, read time, latest issue date,
// latest circulation, publishing cycle.
using MagazineRow = std::array<std::string, kMagazineListColumns>;

// The header texts of the eight columns, without sort marks.
const MagazineRow& MagazineListHeaders();

// Cells 1 to 7 of one index line; cell 0 stays empty. A "," inside a field shifts the
// cells after it, as the index holds no quoting.
MagazineRow CutIndexLine(std::string_view line);

// `text` padded on the left with blanks to `width` bytes; longer texts stay as they are.
std::string RightAligned(std::string_view text, std::size_t width);

// Cell 0 of row `number` (1-based): the number right-aligned in 4 characters.
std::string RowNumberCell(std::size_t number);

// The header of a column after one more sort by it: "↓" + plain title the first time,
// then "↑" and "↓" in turn.
std::string NextSortHeader(std::string_view header);
bool IsAscendingHeader(std::string_view header);

// The line a row is sorted by: its cell of `column` (1 to 7; for the circulation with
// every blank made "0", so padded numbers order as numbers), then cells 1 to 7, all
// joined by ",".
std::string SortLineOf(const MagazineRow& row, int column);

// Cells 1 to 7 of `row` taken back from a sort line; cell 0 is left as it is.
void TakeCellsFromSortLine(MagazineRow& row, std::string_view line);
