#include "sample_site/fault_pages.h"

#include <algorithm>

#include "platform/cp932.h"
#include "sample_site/newsletter_pages.h"

namespace sample_site {
namespace {

const std::string& LargePrefix() {
  static const std::string prefix = cp932::FromUtf8(
      "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
      "<title>まぐまぐ - 大容量テストページ -</title>\n</head>\n<body>\n"
      "<font color=\"#666666\"><b>発行周期：</b></font>不定期&nbsp;(予定)<br>\n"
      "<font color=\"#666666\"><b>最新号発行日：</b></font>2026/12/07&nbsp;<br>\n"
      "<font color=\"#666666\"><b>最新号発行部数：</b></font>1,000部<br>\n<pre>\n");
  return prefix;
}

const std::string& LargeLine() {
  static const std::string line =
      cp932::FromUtf8("大容量ページの本文です。同じ行がページの終わりまで続きます。表、ソフト、能力\n");
  return line;
}

const std::string kLargeSuffix = "</pre>\n</body>\n</html>\n";

const std::string& SlowText() {
  static const std::string text = cp932::FromUtf8("少しずつ届く本文です。この行は終わりなく続きます。\n");
  return text;
}

std::string SimplePage(const std::string& title, const std::string& text) {
  return cp932::FromUtf8(
      "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n<title>" +
      title + "</title>\n</head>\n<body>\n<p>" + text + "</p>\n</body>\n</html>\n");
}

}  // namespace

std::string IndexPage(const std::vector<SampleNewsletter>& newsletters) {
  std::string list;
  for (const SampleNewsletter& description : newsletters) {
    list += "<li><a href=\"/m/log/" + description.id + "\">" + description.title + "</a></li>\n";
  }
  return cp932::FromUtf8(
      "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
      "<title>サンプルサービス</title>\n</head>\n<body>\n<h1>バックナンバーのサンプルサービス</h1>\n<ul>\n" +
      list + "</ul>\n</body>\n</html>\n");
}

std::string NotFoundPage() { return SimplePage("404 Not Found", "ページが見つかりません。"); }

std::string ServerErrorPage() {
  return SimplePage("500 Internal Server Error", "サーバーで障害が発生しました。");
}

std::string LargePageSlice(std::size_t total, std::size_t offset, std::size_t length) {
  const std::string& prefix = LargePrefix();
  const std::string& line = LargeLine();
  total = std::max(total, prefix.size() + kLargeSuffix.size());
  const std::size_t fillEnd = total - kLargeSuffix.size();
  const std::size_t fullLinesEnd = prefix.size() + (fillEnd - prefix.size()) / line.size() * line.size();
  const std::size_t end = std::min(total, offset + std::min(length, total));
  std::string slice;
  slice.reserve(end > offset ? end - offset : 0);
  for (std::size_t at = offset; at < end;) {
    if (at < prefix.size()) {
      const std::size_t count = std::min(end, prefix.size()) - at;
      slice.append(prefix, at, count);
      at += count;
    } else if (at < fullLinesEnd) {
      const std::size_t inLine = (at - prefix.size()) % line.size();
      const std::size_t count = std::min({end, fullLinesEnd, at + line.size() - inLine}) - at;
      slice.append(line, inLine, count);
      at += count;
    } else if (at < fillEnd) {
      // Blanks make up the bytes that are too few for one more line.
      const std::size_t count = std::min(end, fillEnd) - at;
      slice.append(count, ' ');
      at += count;
    } else {
      const std::size_t count = end - at;
      slice.append(kLargeSuffix, at - fillEnd, count);
      at += count;
    }
  }
  return slice;
}

std::string SlowPageHead() {
  return cp932::FromUtf8(
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
      "<title>まぐまぐ - 低速テストページ -</title></head><body><pre>\n");
}

std::string SlowPiece(std::size_t offset, std::size_t length) {
  const std::string& text = SlowText();
  const std::size_t headSize = SlowPageHead().size();
  std::size_t at = (offset > headSize ? offset - headSize : 0) % text.size();
  std::string piece;
  while (piece.size() < length) {
    const std::size_t count = std::min(length - piece.size(), text.size() - at);
    piece.append(text, at, count);
    at = (at + count) % text.size();
  }
  return piece;
}

std::string BadUtf8Page() {
  // Valid up to the last two bytes: the first two of a three-byte character.
  return "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n"
         "<title>壊れた UTF-8</title>\n</head>\n<body>\n<p>途中で切れた文字："
         "\xE3\x81";
}

std::string BadEucJpPage() {
  std::string page =
      "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">\n"
      "<title>EUC-JP?</title>\n</head>\n<body>\n<p>";
  // Every high byte in a scrambled order, then the shapes the converter must survive:
  // a katakana prefix before ASCII, a JIS X 0212 prefix, and a lone final lead byte.
  for (unsigned i = 0; i < 512; ++i) page.push_back(static_cast<char>(0x80 + (i * 37 + i / 128) % 128));
  page +=
      "\x8E"
      "A\x8F\xB0\xA1</p>\n</body>\n</html>\n\xA4";
  return page;
}

std::string CharsetPage(const std::string& variant) {
  const std::string body = "<body>\n<p>" + std::string(kCharsetProbeText) + "</p>\n</body>\n</html>\n";
  const auto declared = [&](const std::string& declaration) {
    return "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; " + declaration +
           "\">\n<title>文字コード判定</title>\n</head>\n" + body;
  };
  if (variant == "both-utf8-first") {
    return EncodeText(
        "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=euc-jp\">\n"
        "<title>文字コード判定</title>\n</head>\n" +
            body,
        PageEncoding::EucJp);
  }
  if (variant == "yahoo") {
    return EncodeText("<html>\n<head>\n<title>Yahoo! JAPAN</title>\n</head>\n" + body, PageEncoding::EucJp);
  }
  if (variant == "yahoo-upper") {
    return EncodeText("<html>\n<head>\n<TITLE>Yahoo! JAPAN</TITLE>\n</head>\n" + body, PageEncoding::EucJp);
  }
  if (variant == "spaced") return declared("charset = UTF-8");
  if (variant == "mixed-case") return declared("ChArSeT=uTf-8");
  return {};
}

}  // namespace sample_site
