#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/page_encoding.h"
#include "support/test_support.h"

namespace {

TEST(PageCharset, DeclaredInTheHeadOnly) {
  const struct {
    const char* page;
    PageCharset charset;
  } rows[] = {
      {"<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"></head>",
       PageCharset::kUtf8},
      {"<HEAD><META HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; CHARSET=euc-jp\"></HEAD>",
       PageCharset::kEucJp},
      {"<head><meta charset=\"utf-8\"></head>", PageCharset::kUtf8},
      {"<head><meta charset='EUC-JP'></head>", PageCharset::kEucJp},
      {"<head><meta charset=Utf-8></head>", PageCharset::kUtf8},
      {"<head><meta charset = UTF-8></head>", PageCharset::kShiftJis},      // blanks around "="
      {"<head><meta charset=\"\"UTF-8\"></head>", PageCharset::kShiftJis},  // one quote only
      // A text that mentions a charset says nothing about its page.
      {"<head><meta charset=Shift_JIS></head><body><pre>content=\"text/html; charset=UTF-8\"</pre>",
       PageCharset::kShiftJis},
      {"<head><title>x</title></head><body>charset=EUC-JP</body>", PageCharset::kShiftJis},
      {"<head></head><body><title>Yahoo! JAPAN</title>", PageCharset::kShiftJis},
      // Without "</head>" the head ends at "<body"; with neither, the whole page counts.
      {"<meta charset=utf-8><BODY>charset=EUC-JP", PageCharset::kUtf8},
      {"<title>t</title><body charset=utf-8>", PageCharset::kShiftJis},
      {"<pre>charset=UTF-8</pre>", PageCharset::kUtf8},
      // Both declared, in either order: EUC-JP.
      {"<head><meta charset=UTF-8><meta charset=EUC-JP></head>", PageCharset::kEucJp},
      {"<head><meta charset=euc-jp><meta charset=utf-8></head>", PageCharset::kEucJp},
      {"<head><title>Yahoo! JAPAN</title></head>", PageCharset::kEucJp},
      {"<head><TITLE>Yahoo! JAPAN</TITLE></head>", PageCharset::kShiftJis},
      {"<head><title>Yahoo! JAPAN</title><meta charset=utf-8></head>", PageCharset::kUtf8},
  };
  for (const auto& row : rows) EXPECT_EQ(ChoosePageCharset(row.page), row.charset) << row.page;
  // A "<" taken into a double-byte character by the lead byte before it starts no "</head>".
  EXPECT_EQ(PageHead("\x81</head><meta charset=utf-8>"), "\x81</head><meta charset=utf-8>");
}

TEST(JisPair, WorkedValues) {
  EXPECT_EQ(Hex(JisPairToShiftJis(0x24, 0x22)), "82 A0");
  EXPECT_EQ(Hex(JisPairToShiftJis(0x34, 0x41)), "8A BF");
  EXPECT_EQ(Hex(JisPairToShiftJis(0x25, 0x22)), "83 41");
  // Rows past 0x5E use the second lead range; cells at and above 0x60 of odd rows
  // skip 0x7F.
  EXPECT_EQ(Hex(JisPairToShiftJis(0x5F, 0x21)), "E0 40");
  EXPECT_EQ(Hex(JisPairToShiftJis(0x21, 0x60)), "81 80");
  EXPECT_EQ(JisPairToShiftJis(0x20, 0x21), "");
  EXPECT_EQ(JisPairToShiftJis(0x7F, 0x21), "");
}

TEST(EucJp, WorkedValues) {
  EXPECT_EQ(Hex(EucJpToShiftJis("\xA4\xA2")), "82 A0");
  EXPECT_EQ(Hex(EucJpToShiftJis("\xB4\xC1")), "8A BF");
  EXPECT_EQ(Hex(EucJpToShiftJis("\xA5\xA2")), "83 41");
  EXPECT_EQ(Hex(EucJpToShiftJis("\x8E\xB1")), "B1");
  EXPECT_EQ(Hex(EucJpToShiftJis("A")), "41");
}

TEST(EucJp, EdgeBytes) {
  // A lone final lead byte pairs with a zero byte.
  EXPECT_EQ(Hex(EucJpToShiftJis("x\xA4")), "78 82 FE");
  // 0x8E before a byte outside the katakana range is copied, and the next byte then
  // starts a character of its own.
  EXPECT_EQ(Hex(EucJpToShiftJis("\x8E\x41")), "8E 41");
  // The 0x8F prefix of JIS X 0212 is copied; its two bytes go through the pair rule.
  EXPECT_EQ(Hex(EucJpToShiftJis("\x8F\xB0\xA1")), "8F 88 9F");
  // NEC row 13 (EUC-JP-MS AD A1) is circled one.
  EXPECT_EQ(EucJpToShiftJis("\xAD\xA1"), Sj("①"));
  EXPECT_EQ(EucJpToShiftJis(""), "");
}

TEST(Utf8, ConvertsToCodePage932) {
  EXPECT_EQ(Utf8ToShiftJis("ABC"), "ABC");
  EXPECT_EQ(Utf8ToShiftJis("あ①～∥－￢\\"), Sj("あ①～∥－￢\\"));
  EXPECT_EQ(Hex(Utf8ToShiftJis("～")), "81 60");
  EXPECT_EQ(Utf8ToShiftJis("€"), "?");
  // Characters glibc maps but Windows does not.
  EXPECT_EQ(Utf8ToShiftJis("〜—‖‾−"), "?????");
  // Best fit for Latin-1.
  EXPECT_EQ(Utf8ToShiftJis("café À ¥"), "cafe A \\");
  EXPECT_EQ(Hex(Utf8ToShiftJis("¬")), "81 CA");
}

TEST(Utf8, EachMalformedSequenceBecomesOneQuestionMark) {
  // The input, and the result with each "?" standing for one malformed sequence: the lead
  // byte and the continuation bytes that fitted, up to the first byte that did not.
  struct Case {
    const char* what;
    std::string input;
    std::string expected;
  };
  const std::string a = Sj("あ");
  const Case cases[] = {
      {"empty", "", ""},
      {"lone 0xA0", "a\xA0z", "a?z"},
      {"continuation byte as a lead", "\x80\x41", "?A"},
      {"0xC3 before an ASCII letter",
       "ok \xC3"
       "A more",
       "ok ?A more"},
      {"three-byte sequence cut at the end", "ok \xE3\x81", "ok ?"},
      {"four-byte sequence cut at the end", "a\xF0\x9F\x98", "a?"},
      {"cut sequence before a valid character", "\xE3\x81\xE3\x81\x82", "?" + a},
      {"cut sequence before an ASCII letter",
       "\xE3\x81"
       "A",
       "?A"},
      {"two-byte overlong", "\xC0\xAF\xC1\xBF", "????"},
      {"three-byte overlong", "\xE0\x80\xAF", "???"},
      {"four-byte overlong", "\xF0\x8F\xBF\xBF", "????"},
      {"surrogate", "x\xED\xA0\x80y", "x???y"},
      {"last surrogate", "\xED\xBF\xBF", "???"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "????"},
      {"F5..FF",
       "\xF5\x80\xF8\xFE\xFF"
       "b",
       "?????b"},
      {"valid four-byte character",
       "a\xF0\x9F\x98\x80"
       "b",
       "a?b"},
      {"U+10FFFF is one character", "\xF4\x8F\xBF\xBF", "?"},
      {"U+D7FF before the surrogates is one character", "\xED\x9F\xBF", "?"},
      {"smallest three-byte form",
       "\xE0\xA0\x80"
       "a",
       "?a"},
      {"the rest of the page is kept", "\xC3" + std::string("\xE3\x81\x82\xE3\x81\x84"), "?" + Sj("あい")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Hex(Utf8ToShiftJis(c.input)), Hex(c.expected)) << c.what;
  }
}

TEST(Cp932, GoldenCasesRoundTrip) {
  const std::string golden[] = {"\x87\x40", "\x81\x60", "\x5C",     "\x80", "\x1A", "\x1C", "\x7F",
                                "\x81\x61", "\x81\x7C", "\x81\xCA", "\xA0", "\xFD", "\xB1"};
  for (const std::string& bytes : golden) {
    EXPECT_EQ(Hex(cp932::Encode(cp932::Decode(bytes))), Hex(bytes));
  }
  EXPECT_EQ(cp932::Decode("\x87\x40"), u"①");
  EXPECT_EQ(cp932::Decode("\x80"), u"\u0080");
  EXPECT_EQ(cp932::Decode("\x1A\x1C\x7F"), u"\u001A\u001C\u007F");
  EXPECT_EQ(cp932::Encode(u"€"), "?");
  EXPECT_EQ(cp932::Encode(u"\U0001F600"), "?");
}

TEST(Cp932, DuplicatesEncodeAsWindowsDoes) {
  EXPECT_EQ(Hex(cp932::Encode(u"\u2170")), "FA 40");
  EXPECT_EQ(Hex(cp932::Encode(u"\u9AD9")), "FB FC");
  EXPECT_EQ(Hex(cp932::Encode(u"\u2160")), "87 54");
  EXPECT_EQ(Hex(cp932::Encode(u"\u2235")), "81 E6");
  EXPECT_EQ(Hex(cp932::Encode(u"\uFFE2")), "81 CA");
  // The NEC-selected copy still decodes to the same character.
  EXPECT_EQ(cp932::Decode("\xEE\xEF"), u"\u2170");
}

TEST(Cp932, EveryDefinedCodeDecodesAndReencodesToACodeOfTheSameCharacter) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string decoded = cp932::Decode(bytes);
      if (decoded == u"\u30FB" && bytes != "\x81\x45") continue;  // undefined
      EXPECT_EQ(cp932::Decode(cp932::Encode(decoded)), decoded) << Hex(bytes);
    }
  }
}

TEST(Cp932, BrokenBytesDecodeToTheDefaultCharacter) {
  EXPECT_EQ(cp932::Decode("a\x82"), u"a\u30FB");
  EXPECT_EQ(cp932::Decode("\x85\x40"), u"\u30FB");
}

TEST(Cp932, Utf8Literals) {
  EXPECT_EQ(Hex(cp932::FromUtf8("あ")), "82 A0");
  EXPECT_EQ(cp932::ToUtf8(cp932::FromUtf8("まぐまぐ ID:①")), "まぐまぐ ID:①");
  EXPECT_EQ(cp932::FromUtf8("a\xFF"
                            "b"),
            "a?b");
}

}  // namespace
