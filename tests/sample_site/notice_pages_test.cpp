// The notice pages of the sample service: one page per variant for the program's version,
// and the Firefox session files it makes for the demo and the tests.

#include "sample_site/notice_pages.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <lz4.h>

#include <chrono>
#include <string>

#include "platform/page_encoding.h"
#include "platform/sjis.h"
#include "sample_site/browser_session.h"
#include "sample_site/sample_site.h"
#include "support/test_support.h"

namespace {

using sample_site::SampleSite;

class NoticePagesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = std::make_unique<SampleSite>();
    site_->Start();
  }
  static void TearDownTestSuite() { site_.reset(); }

  static httplib::Result Get(const std::string& path) {
    httplib::Client client("127.0.0.1", site_->Port());
    client.set_read_timeout(5, 0);
    return client.Get(path);
  }
  static std::string PagePath(const std::string& variant, const std::string& version) {
    return site_->NoticeBase(variant).substr(site_->Root().size()) + version + ".html";
  }

  static inline std::unique_ptr<SampleSite> site_;
};

TEST_F(NoticePagesTest, EveryVariantForTheProgramsVersion) {
  const std::string version = sample_site::NoticeVersion();
  EXPECT_EQ(version, YOMITORU_PROJECT_VERSION);
  EXPECT_EQ(site_->NoticeBase("full"), site_->Root() + "/notice/full/");
  const std::string link = "<d_url>" + site_->Root() + "/</d_url>";
  const std::string message = "<msg>" + Sj(sample_site::kNoticeMessage) + "</msg>";
  const std::string note = "<note>" + Sj(sample_site::kNoticeNote) + "</note>";
  struct Case {
    const char* variant;
    int status;
    std::vector<std::string> holds;  // Shift-JIS after conversion
    std::vector<std::string> lacks;
  };
  const Case cases[] = {
      {"full", 200, {message, note, link}, {}},
      {"euc", 200, {message, note, link, "charset=EUC-JP"}, {}},
      {"empty-msg", 200, {"<msg></msg>", note, link}, {message}},
      {"empty-url", 200, {message, note, "<d_url></d_url>"}, {link}},
      {"missing", 404, {}, {"<msg>"}},
      {"error", 500, {}, {"<msg>"}},
      {"unknown", 404, {}, {"<msg>"}},
  };
  for (const Case& c : cases) {
    const auto result = Get(PagePath(c.variant, version));
    ASSERT_TRUE(result) << c.variant;
    EXPECT_EQ(result->status, c.status) << c.variant;
    const bool euc = std::string(c.variant) == "euc";
    const std::string text = euc ? EucJpToShiftJis(result->body) : result->body;
    if (euc) {
      EXPECT_EQ(result->body.find(Sj(sample_site::kNoticeMessage)), std::string::npos);
    }
    for (const std::string& piece : c.holds)
      EXPECT_TRUE(sjis::Contains(text, piece)) << c.variant << ": " << piece;
    for (const std::string& piece : c.lacks)
      EXPECT_FALSE(sjis::Contains(text, piece)) << c.variant << ": " << piece;
  }
  // Another version has no notice.
  EXPECT_EQ(Get(PagePath("full", version + ".1"))->status, 404);
  EXPECT_EQ(Get("/notice/full/")->status, 404);
}

TEST_F(NoticePagesTest, TheSlowPageSendsItsFieldsAtOnceAndTricklesOn) {
  httplib::Client client("127.0.0.1", site_->Port());
  const auto start = std::chrono::steady_clock::now();
  std::string received;
  bool fieldsAtOnce = false;
  client.Get(PagePath("slow", sample_site::NoticeVersion()), [&](const char* data, std::size_t length) {
    received.append(data, length);
    if (sjis::Contains(received, "</d_url>") &&
        std::chrono::steady_clock::now() - start < std::chrono::seconds(2))
      fieldsAtOnce = true;
    return std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500);
  });
  EXPECT_TRUE(fieldsAtOnce);
  EXPECT_TRUE(sjis::Contains(received, "<msg>" + Sj(sample_site::kNoticeMessage) + "</msg>"));
  EXPECT_FALSE(sjis::Contains(received, "</html>"));
  EXPECT_GT(received.size(), received.find("<pre>\n") + 6);  // trickled text after the fields
}

TEST(BrowserSessionFile, HeaderSizeAndOneLz4Block) {
  const std::string json =
      sample_site::SingleTabSession("http://127.0.0.1:1/m/log/0000100001", "週刊サンプル通信");
  EXPECT_NE(json.find("\"url\":\"http://127.0.0.1:1/m/log/0000100001\""), std::string::npos);
  EXPECT_NE(json.find("\"selectedWindow\":1"), std::string::npos);
  const std::string file = sample_site::FirefoxSessionFile(json);
  ASSERT_GT(file.size(), 12u);
  EXPECT_EQ(file.substr(0, 8), std::string("mozLz40\0", 8));
  const std::uint32_t size = static_cast<unsigned char>(file[8]) | static_cast<unsigned char>(file[9]) << 8 |
                             static_cast<unsigned char>(file[10]) << 16 |
                             static_cast<std::uint32_t>(static_cast<unsigned char>(file[11])) << 24;
  EXPECT_EQ(size, json.size());
  std::string decoded(size, '\0');
  EXPECT_EQ(LZ4_decompress_safe(file.data() + 12, decoded.data(), static_cast<int>(file.size() - 12),
                                static_cast<int>(size)),
            static_cast<int>(size));
  EXPECT_EQ(decoded, json);
}

}  // namespace
