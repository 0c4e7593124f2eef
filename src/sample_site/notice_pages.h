#pragma once
// The maker's notice pages that the reader asks for at start-up: one page per program
// version, named version + ".html", under one base per variant.

#include <optional>
#include <string>

namespace sample_site {

// The version whose notice pages the service holds: the program's own.
std::string NoticeVersion();

enum class NoticeVariant {
  kFull,      // message, note and download address (Shift-JIS)
  kEucJp,     // the same in EUC-JP
  kEmptyMsg,  // "<msg></msg>", a note, and a download address that goes with no message
  kEmptyUrl,  // a message with "<d_url></d_url>"
  kMissing,   // 404
  kError,     // 500
  kSlow,      // the fields at once, then a body that trickles on past any read limit
};

// The variant named by a base's folder ("full", "euc", "empty-msg", "empty-url",
// "missing", "error", "slow").
std::optional<NoticeVariant> NoticeVariantNamed(const std::string& name);

// The page of a variant (for the slow one, the part sent at once); `downloadAddress` goes
// between "<d_url>" and "</d_url>" where the variant has one.
std::string NoticePage(NoticeVariant variant, const std::string& downloadAddress);

// The texts of the fields (UTF-8), for tests.
inline constexpr const char* kNoticeMessage = "新しい版を公開しました。ダウンロードしてお使いください。";
inline constexpr const char* kNoticeNote = "サンプルサービスからのお知らせです。「読取り」をお試しください。";

}  // namespace sample_site
