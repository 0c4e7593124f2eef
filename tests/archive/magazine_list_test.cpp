#include "archive/magazine_list.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "support/test_support.h"

namespace {

std::string U8(const std::string& sjis) { return cp932::ToUtf8(sjis); }

// Cells 1 to 7 as UTF-8, joined by "|", for readable tables.
std::string Cells(const MagazineRow& row) {
  std::string joined;
  for (std::size_t cell = 1; cell < row.size(); ++cell) joined += (cell > 1 ? "|" : "") + U8(row[cell]);
  return joined;
}

TEST(CutIndexLine, FillsTheCellsTheFieldsReach) {
  const std::string a1000(1000, 'a');
  const struct {
    std::string line;
    std::string cells;  // ID|title|count|read time|latest date|circulation|cycle
  } cases[] = {
      {"0000123456=週刊サンプル通信,2006/12/31 15:30:05,週刊,2006/12/29,1234,57",
       "0000123456|週刊サンプル通信|     57|2006/12/31 15:30:05|2006/12/29|    1234|週刊"},
      {"123=abc", "123|abc|||||"},
      {"lonely", "lonely||||||"},
      {"1,2=x,y", "1,2|x,y|||||"},
      {"9=t,2006/12/31 15:30:05", "9|t||2006/12/31 15:30:05|||"},
      {"9=t,time,cycle,date,1234", "9|t||time|date||cycle"},
      {"9=t,time,cycle,date,123456789,12345678", "9|t|12345678|time|date|123456789|cycle"},
      // A thousands separator left in an old circulation shifts the count.
      {"9=t,time,cycle,date,12,345,57", "9|t|  34557|time|date|      12|cycle"},
      {"9=" + std::string(1500, 'a'), "9|" + a1000 + "|||||"},
      {"9=t," + std::string(1500, 'a') + ",x", "9|t||" + a1000 + "|||"},
      {"ソ表=ソ表,予定", "ソ表|ソ表||予定|||"},
  };
  for (const auto& c : cases) {
    const MagazineRow row = CutIndexLine(Sj(c.line));
    EXPECT_EQ(Cells(row), c.cells) << c.line;
    EXPECT_EQ(row[0], "");
  }
}

TEST(MagazineList, SortLinesCarryTheCellsAndComeBackToThem) {
  const struct {
    std::string line;
    int column;
    std::string sortLine;
    std::string cellsBack;
  } cases[] = {
      {"1=週刊,2006/12/31 15:30:05,週刊,2006/12/29,999,57", 6,
       "00000999,1,週刊,     57,2006/12/31 15:30:05,2006/12/29,     999,週刊",
       "1|週刊|     57|2006/12/31 15:30:05|2006/12/29|     999|週刊"},
      // A "," inside a cell moves every cell after it one place on.
      {"1,5=x,y", 2, "x,y,1,5,x,y,,,,,", "y|1|5|x|y||,,,"},
  };
  for (const auto& c : cases) {
    MagazineRow row = CutIndexLine(Sj(c.line));
    row[0] = RowNumberCell(7);
    const std::string line = SortLineOf(row, c.column);
    EXPECT_EQ(U8(line), c.sortLine);
    TakeCellsFromSortLine(row, line);
    EXPECT_EQ(Cells(row), c.cellsBack) << c.line;
    EXPECT_EQ(row[0], "   7");
  }
}

}  // namespace
