#include "app/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

CommandLineResult Parse(std::vector<std::string> arguments) { return ParseCommandLine(arguments); }

TEST(CommandLine, NoArgumentsMeanTheDefaults) {
  const CommandLineResult result = Parse({});
  ASSERT_TRUE(result.options);
  EXPECT_TRUE(result.options->archive.empty());
  EXPECT_TRUE(result.options->serviceRoot.empty());
  EXPECT_FALSE(result.options->demo);
  EXPECT_FALSE(result.options->read);
  EXPECT_FALSE(result.options->help);
}

TEST(CommandLine, EveryOptionWithSeparateAndJoinedValues) {
  const CommandLineResult result =
      Parse({"--archive", "/tmp/アーカイブ", "--service-root=http://127.0.0.1:8080", "--demo", "--read",
             "http://example.jp/m/log/0000100001", "--all", "--quit"});
  ASSERT_TRUE(result.options) << result.error;
  EXPECT_EQ(result.options->archive, std::filesystem::path("/tmp/アーカイブ"));
  EXPECT_EQ(result.options->serviceRoot, "http://127.0.0.1:8080");
  EXPECT_TRUE(result.options->demo);
  ASSERT_TRUE(result.options->read);
  EXPECT_EQ(result.options->read->url, "http://example.jp/m/log/0000100001");
  EXPECT_TRUE(result.options->read->all);
  EXPECT_TRUE(result.options->read->quit);
}

TEST(CommandLine, NoticeBaseAndBrowserSession) {
  const CommandLineResult result = Parse(
      {"--notice-base", "http://127.0.0.1:8080/notice/full/", "--browser-session=/tmp/セッション.jsonlz4"});
  ASSERT_TRUE(result.options) << result.error;
  EXPECT_EQ(result.options->noticeBase, "http://127.0.0.1:8080/notice/full/");
  EXPECT_EQ(result.options->browserSession, std::filesystem::path("/tmp/セッション.jsonlz4"));
  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {"--notice-base"}, {"--notice-base="}, {"--browser-session"}, {"--browser-session", ""}}) {
    EXPECT_FALSE(Parse(wrong).options) << wrong.front();
  }
  EXPECT_NE(CommandLineUsage().find("[--notice-base URL] [--browser-session "), std::string::npos);
}

TEST(CommandLine, ReadFlagsMayComeBeforeTheRead) {
  const CommandLineResult result = Parse({"--quit", "--read=http://a/m/log/1"});
  ASSERT_TRUE(result.options) << result.error;
  ASSERT_TRUE(result.options->read);
  EXPECT_TRUE(result.options->read->quit);
  EXPECT_FALSE(result.options->read->all);
}

TEST(CommandLine, SearchTakesItsWordsAndAnArchive) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--search", "季節 散歩", "--archive", "/tmp/a"}, {"--archive=/tmp/a", "--search=季節 散歩"}}) {
    const CommandLineResult result = Parse(arguments);
    ASSERT_TRUE(result.options) << result.error;
    EXPECT_EQ(result.options->search, std::optional<std::string>("季節 散歩"));
    EXPECT_EQ(result.options->archive, std::filesystem::path("/tmp/a"));
  }
  EXPECT_NE(CommandLineUsage().find("[--search "), std::string::npos);
}

TEST(CommandLine, BrowserAddressGoesOnlyWithABrowserSession) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--browser-address"}, {"--browser-session=/tmp/Session_1", "--browser-address"}}) {
    const CommandLineResult result = Parse(arguments);
    ASSERT_TRUE(result.options) << result.error;
    EXPECT_TRUE(result.options->browserAddress);
    EXPECT_EQ(result.options->browserSession,
              std::filesystem::path(arguments.size() == 2 ? "/tmp/Session_1" : ""));
  }
  EXPECT_FALSE(Parse({}).options->browserAddress);
  EXPECT_NE(Parse({"--archive", "/a", "--browser-address"}).error.find("--archive"), std::string::npos);
  EXPECT_NE(CommandLineUsage().find("[--browser-address]"), std::string::npos);
}

TEST(CommandLine, LaterValueWins) {
  const CommandLineResult result = Parse({"--archive", "/a", "--archive", "/b"});
  ASSERT_TRUE(result.options);
  EXPECT_EQ(result.options->archive, std::filesystem::path("/b"));
}

TEST(CommandLine, HelpAndVersion) {
  for (const char* help : {"--help", "-h"}) {
    const CommandLineResult result = Parse({help});
    ASSERT_TRUE(result.options) << help;
    EXPECT_TRUE(result.options->help) << help;
  }
  EXPECT_TRUE(Parse({"--version"}).options->version);
  // The usage line, then one line for every option with a Japanese description.
  const std::string help = CommandLineHelp();
  EXPECT_EQ(help.rfind(CommandLineUsage(), 0), 0u);
  for (const char* option : {"--archive フォルダ", "--service-root URL", "--demo", "--notice-base URL",
                             "--browser-session ファイル", "--read URL", "--all", "--quit", "--search 語句",
                             "--update-all", "--browser-address", "--help, -h", "--version"}) {
    const std::size_t at = help.find(std::string("  ") + option + " ");
    ASSERT_NE(at, std::string::npos) << option;
    const std::string line = help.substr(at, help.find('\n', at) - at);
    EXPECT_TRUE(line.ends_with("。")) << line;
  }
  EXPECT_EQ(VersionLine(), "Yomitoru " YOMITORU_PROJECT_VERSION "\n");
}

TEST(CommandLine, WrongArgumentsAreRefusedWithAJapaneseMessage) {
  const std::vector<std::vector<std::string>> wrong = {
      {"--bogus"},
      {"stray"},
      {"--bogus=1"},
      {"--demo=yes"},
      {"--archive"},
      {"--service-root", ""},
      {"--read"},
      {"--all"},
      {"--quit", "--demo"},
      {"--search"},
      {"--search="},
      {"--search", "x", "--read", "http://a/m/log/1"},
      {"--demo", "--search", "x"},
      {"--version=2"},
      {"-x"},
      {"--", "stray"},
      {"--browser-address", "--demo"},
      {"--browser-address", "--search", "x"},
      {"--browser-address", "--read", "http://a/m/log/1"},
      {"--browser-address", "--help"},
      {"--browser-address=1"},
  };
  for (const auto& arguments : wrong) {
    const CommandLineResult result = Parse(arguments);
    EXPECT_FALSE(result.options) << arguments.front();
    EXPECT_FALSE(result.error.empty()) << arguments.front();
    // Every message is Japanese text (UTF-8 bytes above 0x7F).
    EXPECT_TRUE(std::any_of(result.error.begin(), result.error.end(), [](char c) {
      return static_cast<unsigned char>(c) >= 0x80;
    })) << result.error;
  }
  EXPECT_NE(Parse({"--bogus"}).error.find("--bogus"), std::string::npos);
}

}  // namespace
