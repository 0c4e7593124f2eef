#include "sample_site/notice_pages.h"

#include <array>
#include <utility>

#include "sample_site/newsletter_pages.h"

namespace sample_site {
namespace {

constexpr std::array<std::pair<const char*, NoticeVariant>, 7> kVariantNames{{
    {"full", NoticeVariant::kFull},
    {"euc", NoticeVariant::kEucJp},
    {"empty-msg", NoticeVariant::kEmptyMsg},
    {"empty-url", NoticeVariant::kEmptyUrl},
    {"missing", NoticeVariant::kMissing},
    {"error", NoticeVariant::kError},
    {"slow", NoticeVariant::kSlow},
}};

std::string Head(const std::string& charset) {
  return "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset +
         "\">\n<title>Yomitoru " + NoticeVersion() + " のお知らせ</title>\n</head>\n<body>\n";
}

constexpr const char* kTail = "</body>\n</html>\n";

std::string Field(const std::string& tag, const std::string& text) {
  return "<" + tag + ">" + text + "</" + tag + ">\n";
}

}  // namespace

std::string NoticeVersion() { return YOMITORU_FILE_VERSION; }

std::optional<NoticeVariant> NoticeVariantNamed(const std::string& name) {
  for (const auto& [variantName, variant] : kVariantNames) {
    if (name == variantName) return variant;
  }
  return std::nullopt;
}

std::string NoticePage(NoticeVariant variant, const std::string& downloadAddress) {
  if (variant == NoticeVariant::kMissing || variant == NoticeVariant::kError) return {};
  const bool eucJp = variant == NoticeVariant::kEucJp;
  const std::string message = Field("msg", variant == NoticeVariant::kEmptyMsg ? "" : kNoticeMessage);
  const std::string link = Field("d_url", variant == NoticeVariant::kEmptyUrl ? "" : downloadAddress);
  // The slow page ends in the open: its text runs on while the transfer trickles.
  const std::string end = variant == NoticeVariant::kSlow ? "<pre>\n" : std::string(kTail);
  return EncodeText(Head(eucJp ? "EUC-JP" : "Shift_JIS") + message + Field("note", kNoticeNote) + link + end,
                    eucJp ? PageEncoding::EucJp : PageEncoding::ShiftJis);
}

}  // namespace sample_site
