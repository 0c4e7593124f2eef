// The text side of the full-text search: folding, queries, the first hit mapped back into
// the text, the searched body of an issue file, excerpts, the order of hits and the tokens
// of short terms.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/issue_body_text.h"
#include "archive/search_excerpt.h"
#include "archive/search_grams.h"
#include "archive/search_order.h"
#include "archive/search_query.h"
#include "archive/text_normalisation.h"
#include "support/test_support.h"

namespace {

std::u16string U(const std::string& utf8) { return Utf8ToUtf16(utf8); }
std::string Utf8Of(std::u16string_view text) { return Utf16ToUtf8(text); }

TEST(SearchText, FoldingMakesWidthAndCaseVariantsAlike) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"ＡＢＣ", "abc"},
      {"ABC abc", "abc abc"},
      {"ｶﾀｶﾅ", "カタカナ"},
      {"ｶﾞｲﾄﾞﾌﾞｯｸ", "ガイドブック"},
      {"①　２", "1 2"},
      {"ﾊﾟｿｺﾝで", "パソコンで"},
      {"ひらがなと漢字", "ひらがなと漢字"},
      {"Straße", "strasse"},
  };
  for (const auto& [text, folded] : cases) EXPECT_EQ(Utf8Of(FoldForSearch(U(text))), folded) << text;
}

TEST(SearchText, QueriesSplitAtBlanksAndKeepQuotedPhrasesWhole) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"散歩", {"散歩"}},
      {"  季節　散歩 ", {"季節", "散歩"}},
      {"\"散歩が 楽しい\" 季節", {"散歩が 楽しい", "季節"}},
      {"＂ＡＢＣ　ｄｅｆ＂", {"abc def"}},
      {"a\"b c\"d", {"a", "b c", "d"}},
      {"\"unclosed phrase", {"unclosed phrase"}},
      {"\"\" \"  \"   ", {}},
  };
  for (const auto& [typed, terms] : cases) {
    std::vector<std::string> parsed;
    for (const std::u16string& term : ParseSearchQuery(U(typed)).terms) parsed.push_back(Utf8Of(term));
    EXPECT_EQ(parsed, terms) << typed;
  }
}

TEST(SearchText, FirstHitIsTheEarliestTermShownAsTheTextSpellsIt) {
  struct Case {
    std::string text, query, hit;  // "" for no hit
  };
  const std::vector<Case> cases = {
      {"本文にＡＢＣがある", "abc", "ＡＢＣ"},   {"ｶﾞｲﾄﾞを読む", "ガイド", "ｶﾞｲﾄﾞ"},
      {"季節の散歩と季節", "散歩 季節", "季節"}, {"ＡＢＣＤ", "abc abcd", "ＡＢＣＤ"},
      {"散歩が楽しい", "\"楽しい散歩\"", ""},    {"ﾃｽﾄ ﾃﾞｰﾀ", "データ", "ﾃﾞｰﾀ"},
  };
  for (const Case& c : cases) {
    const std::u16string text = U(c.text);
    const std::optional<TextSpan> hit = FindFirstHit(text, ParseSearchQuery(U(c.query)));
    EXPECT_EQ(hit ? Utf8Of(std::u16string_view(text).substr(hit->start, hit->length)) : "", c.hit) << c.text;
  }
}

TEST(SearchText, EveryTermMustOccur) {
  const std::u16string folded = FoldForSearch(U("季節の散歩は楽しい"));
  EXPECT_TRUE(ContainsEveryTerm(folded, ParseSearchQuery(U("散歩 季節"))));
  EXPECT_FALSE(ContainsEveryTerm(folded, ParseSearchQuery(U("散歩 読書"))));
  EXPECT_FALSE(ContainsEveryTerm(folded, ParseSearchQuery(U("\"楽しい散歩\""))));
  EXPECT_FALSE(ContainsEveryTerm(folded, ParseSearchQuery(U(""))));
}

TEST(SearchText, BodyLeavesOutTheHeaderLineAndMarkup) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"2026/12/07 10:00 http://x/m/log/1/1.html\r\n<pre><tt>本文\r\n二行目\r\n", "本文\r\n二行目\r\n"},
      {"key addr\r\n<div class=\"backnumber-entry\">一行<br>\r\n<h3>見出し</h3>", "一行\r\n見出し"},
      {"key\nA &amp; B &lt;C&gt; &quot;D&quot;&nbsp;E &copy;", "A & B <C> \"D\" E &copy;"},
      {"key\r\na < b > c <unclosed", "a < b > c <unclosed"},
      {"only a header line", ""},
  };
  for (const auto& [file, body] : cases) EXPECT_EQ(SearchableBody(Sj(file)), Sj(body)) << file;
}

TEST(SearchText, UndefinedCodesDecodeToTheReplacementCharacter) {
  // 81 45 is "・"; 85 40 and 81 AD are no characters of the code page, nor a lone lead byte.
  const std::u16string decoded = DecodeForSearch(
      "\x81\x45"
      "a\x85\x40\x81\xAD\x81");
  EXPECT_EQ(decoded, std::u16string(u"・a\uFFFD\uFFFD\uFFFD"));
}

TEST(SearchText, ExcerptIsTheHitsLineFromShortlyBeforeIt) {
  const std::string tail = "そのあとにも文章がまだまだ長く続いていきます。";
  const std::string longLine = "これは本文の長い一行で、途中に散歩という語があり、" + tail + tail + tail;
  struct Case {
    std::string body, query, excerpt;
  };
  const std::vector<Case> cases = {
      {"一行目\r\n　　木々の葉が色づき、散歩が楽しい\r\n三行目", "散歩", "木々の葉が色づき、散歩が楽しい"},
      {"x\r\n" + longLine, "散歩",
       "本文の長い一行で、途中に散歩という語があり、" + tail + "そのあとにも文章がまだまだ長く"},
      {"前\tの行ＡＢＣ", "abc", "前 の行ＡＢＣ"},
      {"散歩はない", "読書", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SearchExcerpt(Sj(c.body), ParseSearchQuery(U(c.query))), Sj(c.excerpt)) << c.body;
  }
}

TEST(SearchText, HitsGoNewestDateFirstThenLargestNumberThenTheRest) {
  const std::vector<std::string> ordered = {"2026/12/07_10:00", "2026/12/07_09:59", "2008/01/02_12:34",
                                            "第１２０号",       "第45号_特集",      "第9号",
                                            "read/me/:"};
  std::vector<std::string> keys;
  for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) keys.push_back(Sj(*it));
  std::stable_sort(keys.begin(), keys.end(),
                   [](const std::string& a, const std::string& b) { return IssueRank(a) > IssueRank(b); });
  std::vector<std::string> expected;
  for (const std::string& key : ordered) expected.push_back(Sj(key));
  EXPECT_EQ(keys, expected);
}

TEST(SearchText, ShortTermTokensAreThoseOfTheBody) {
  const std::u16string folded = FoldForSearch(U("散歩が\r\n楽しいab"));
  const std::string tokens = " " + GramTokens(folded) + " ";
  for (const std::string term : {"散", "散歩", "歩が", "が", "楽し", "ab", "b"}) {
    EXPECT_NE(tokens.find(" " + GramToken(U(term)) + " "), std::string::npos) << term;
  }
  // No pair reaches over a line break.
  for (const std::string term : {"が楽", "歩楽", "a散"}) {
    EXPECT_EQ(tokens.find(" " + GramToken(U(term)) + " "), std::string::npos) << term;
  }
  EXPECT_EQ(GramToken(U("散")).size(), 6u);
  EXPECT_EQ(GramToken(U("散歩")).size(), 12u);
}

}  // namespace
