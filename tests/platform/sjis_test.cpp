#include "platform/sjis.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "support/test_support.h"

namespace {

// ア is 83 41: its trail byte is "A". ソ is 83 5C: its trail byte is "\".
TEST(SjisFind, NeverMatchesStartingOnATrailByte) {
  const std::string text = Sj("アA");
  EXPECT_EQ(sjis::Find(text, "A"), 3u);
  EXPECT_EQ(sjis::Find(Sj("ソ"), "\\"), 0u);
  EXPECT_EQ(sjis::Find(Sj("ソ\\"), "\\"), 3u);
  // A needle may begin on a lead byte and run into the next character.
  EXPECT_EQ(sjis::Find(Sj("xア"), std::string("\x83", 1)), 2u);
}

TEST(SjisFind, PositionsAreOneBasedAndFirstOccurrence) {
  EXPECT_EQ(sjis::Find("abcabc", "bc"), 2u);
  EXPECT_EQ(sjis::Find("abc", "x"), 0u);
  EXPECT_EQ(sjis::Find("abc", ""), 0u);
  EXPECT_EQ(sjis::Find("", "a"), 0u);
  EXPECT_EQ(sjis::Find(Sj("第123号"), Sj("号")), 6u);
}

TEST(SjisFind, SkipsTrailByteCandidatesAndFindsLaterOnes) {
  // Each ア contributes a trail "A"; only the final plain "A" is a real one.
  std::string text;
  for (int i = 0; i < 1000; ++i) text += Sj("ア");
  text += "A";
  EXPECT_EQ(sjis::Find(text, "A"), 2001u);
}

TEST(SjisFind, LoneLeadByteAtTheEndStandsAlone) {
  const std::string text = std::string("ab\x82", 3);
  EXPECT_EQ(sjis::Find(text, "\x82"), 3u);
  EXPECT_EQ(sjis::CharLength(text, 2), 1u);
}

TEST(SjisFind, FromABoundaryAndIgnoringAsciiCase) {
  const std::string text = Sj("ソcharset=UTF-8 表charset=euc-jp");  // ソ and 表 end in 0x5C / 0x5C
  EXPECT_EQ(sjis::FindFrom(text, "charset", 0), 2u);
  EXPECT_EQ(sjis::FindFrom(text, "charset", 2), 2u);
  EXPECT_EQ(sjis::FindFrom(text, "charset", 4), 18u);
  EXPECT_EQ(sjis::FindFrom(text, "nothing", 0), std::string::npos);
  const struct {
    std::string text;
    const char* needle;
    bool found;
  } rows[] = {
      {text, "CHARSET=UTF-8", true},
      {text, "CHARSET=EUC-JP", true},
      {text, "charset=utf-16", false},
      {"ChArSeT=uTf-8", "CHARSET=UTF-8", true},
      {"charset = utf-8", "CHARSET=UTF-8", false},
      {std::string("\x83") + "CHARSET=UTF-8", "CHARSET=UTF-8", false},  // begins on a trail byte
      {std::string("\x83") + "CHARSET=UTF-8 charset=utf-8", "CHARSET=UTF-8", true},  // a later one counts
      {std::string("\x83") + "Abc", "ABC", false},  // a needle of letters only
      {"xyABC", "abc", true},
      {"=utf-8", "=UTF-8", true},
      {"charset=utf", "CHARSET=UTF-8", false},  // cut short by the end
      {"", "A", false},
      {"a", "", false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(sjis::ContainsIgnoringAsciiCase(row.text, row.needle), row.found)
        << row.text << " / " << row.needle;
}

TEST(SjisReplaceAll, ReplacesLeftToRightWithoutRescanning) {
  EXPECT_EQ(sjis::ReplaceAll("a=b=c", "=", Sj("＝")), Sj("a＝b＝c"));
  EXPECT_EQ(sjis::ReplaceAll("aaa", "aa", "a"), "aa");
  EXPECT_EQ(sjis::ReplaceAll("abc", "", "x"), "abc");
  // The "\" inside ソ is not a backslash.
  EXPECT_EQ(sjis::ReplaceAll(Sj("ソ\\"), "\\", "/"), Sj("ソ/"));
  EXPECT_EQ(sjis::ReplaceAll(Sj("2008/01/02"), "/", ""), "20080102");
}

TEST(SjisTrim, RemovesBytesUpTo32OnBothEnds) {
  EXPECT_EQ(sjis::Trim(" \t\r\n abc \x01"), "abc");
  EXPECT_EQ(sjis::Trim(Sj("　全角　")), Sj("　全角　"));  // the full-width space stays
  EXPECT_EQ(sjis::Trim("   "), "");
}

TEST(SjisCut, TakesUpToNBytesFromAOneBasedPosition) {
  EXPECT_EQ(sjis::Cut("abcdef", 2, 3), "bcd");
  EXPECT_EQ(sjis::Cut("abcdef", 5, 10), "ef");
  EXPECT_EQ(sjis::Cut("abcdef", 7, 1), "");
  EXPECT_EQ(sjis::Cut("abcdef", 0, 2), "ab");
  EXPECT_EQ(sjis::Cut("abcdef", 3, 0), "");
  EXPECT_EQ(sjis::Cut("abcdef", 3, -4), "");
  // A cut through a double-byte character keeps its lead byte.
  EXPECT_EQ(Hex(sjis::Cut(Sj("あい"), 1, 3)), "82 A0 82");
  EXPECT_EQ(sjis::Left("abc", 2), "ab");
}

TEST(SjisCase, ChangesLettersButNeverTrailBytes) {
  EXPECT_EQ(sjis::ToLower("ABC<Title>xyz"), "abc<title>xyz");
  EXPECT_EQ(sjis::ToUpper("charset=euc-jp"), "CHARSET=EUC-JP");
  // ア (83 41) and ソ (83 5C) keep their trail bytes.
  EXPECT_EQ(sjis::ToLower(Sj("アソA")), Sj("アソa"));
  EXPECT_EQ(sjis::ToUpper(Sj("ぁa")), Sj("ぁA"));
  EXPECT_EQ(sjis::ToLower(Sj("ＡＺΑΩАЯЁⅠⅩ")), Sj("ａｚαωаяёⅰⅹ"));
  EXPECT_EQ(sjis::ToUpper(Sj("ａｚαωаяёⅰⅹ")), Sj("ＡＺΑΩАЯЁⅠⅩ"));
}

TEST(SjisCase, KeepsTheByteLengthOfEveryText) {
  std::string all;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      all.push_back(static_cast<char>(lead));
      all.push_back(static_cast<char>(trail));
    }
  }
  all += std::string("\x82", 1);
  EXPECT_EQ(sjis::ToLower(all).size(), all.size());
  EXPECT_EQ(sjis::ToUpper(all).size(), all.size());
}

// Every double-byte character that changes must change to the code page's encoding of
// its Unicode case partner, and nothing that has a partner in the code page may be missed.
TEST(SjisCase, AgreesWithUnicodeCaseMappingOverTheCodePage) {
  for (int lead = 0x81; lead <= 0x84; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string ch{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string unit = cp932::Decode(ch);
      ASSERT_EQ(unit.size(), 1u);
      const char16_t c = unit[0];
      // Unicode's simple lower case for the scripts this code page holds.
      char16_t lower = c;
      if ((c >= u'Ａ' && c <= u'Ｚ') || (c >= u'Α' && c <= u'Ω') || (c >= u'А' && c <= u'Я')) {
        lower = static_cast<char16_t>(c + 0x20);
      } else if (c == u'Ё') {
        lower = u'ё';
      }
      const std::string expected = lower == c ? ch : cp932::Encode(std::u16string(1, lower));
      EXPECT_EQ(Hex(sjis::ToLower(ch)), Hex(expected)) << Hex(ch);
    }
  }
}

TEST(SjisReverse, KeepsDoubleByteCharactersWhole) {
  EXPECT_EQ(sjis::ReverseCharacters(Sj("第123号")), Sj("号321第"));
  EXPECT_EQ(sjis::ReverseCharacters(""), "");
  // A lone final lead byte is a character of its own.
  EXPECT_EQ(Hex(sjis::ReverseCharacters(Sj("あ") + "\x82")), "82 82 A0");
}

}  // namespace
