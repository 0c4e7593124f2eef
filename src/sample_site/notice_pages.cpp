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
  const std::string message = Field("msg", kNoticeMessage);
  const std::string note = Field("note", kNoticeNote);
  const std::string link = Field("d_url", downloadAddress);
  switch (variant) {
    case NoticeVariant::kFull:
      return EncodeText(Head("Shift_JIS") + message + note + link + kTail, PageEncoding::ShiftJis);
    case NoticeVariant::kSlow:
      return EncodeText(Head("Shift_JIS") + message + note + link + "<pre>\n", PageEncoding::ShiftJis);
    case NoticeVariant::kEucJp:
      return EncodeText(Head("EUC-JP") + message + note + link + kTail, PageEncoding::EucJp);
    case NoticeVariant::kEmptyMsg:
      return EncodeText(Head("Shift_JIS") + Field("msg", "") + note + link + kTail, PageEncoding::ShiftJis);
    case NoticeVariant::kEmptyUrl:
      return EncodeText(Head("Shift_JIS") + message + note + Field("d_url", "") + kTail,
                        PageEncoding::ShiftJis);
    case NoticeVariant::kMissing:
    case NoticeVariant::kError:
      break;
  }
  return {};
}

}  // namespace sample_site
