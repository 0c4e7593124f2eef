#pragma once
// Deterministic Japanese newsletter text: issue titles and issue bodies, drawn from
// fixed pools with a seeded generator, so a newsletter's pages never change between
// runs or between instances.

#include <cstdint>
#include <string>
#include <vector>

namespace sample_site {

// SplitMix64: tiny, fast, and the same numbers on every platform (the standard
// distributions are not).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  // Uniform in [low, high]; high < low gives low.
  int Between(int low, int high);
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Between(0, static_cast<int>(items.size()) - 1))];
  }

 private:
  std::uint64_t state_;
};

// FNV-1a of the text, the seed of a newsletter.
std::uint64_t SeedOf(const std::string& text);

// Seed of one issue of a newsletter, independent of the other issues.
std::uint64_t IssueSeed(std::uint64_t newsletterSeed, int index, std::uint64_t purpose);

// An issue title (UTF-8). Never holds "第", "号", ",", "#", "<", ">" or "&", so it can
// stand in any link text.
std::string IssueTitle(std::uint64_t newsletterSeed, int index, int theme);

struct IssueTextRequest {
  std::uint64_t newsletterSeed = 0;
  int index = 0;  // 0 = newest
  int theme = 0;
  std::string newsletterTitle;  // UTF-8
  std::string issueLabel;       // UTF-8, e.g. "2026/12/07 10:00" or "第45号"
  std::string newsletterId;
  int minLines = 5;
  int maxLines = 40;
  bool codePage932Extras = false;  // use ① ～ ∥ － ￢ ㈱, which only CP932 holds
};

// The plain lines of one issue text (UTF-8), between minLines and maxLines of them
// (at least 5). Apart from what the title and label bring in, no line holds "<", ">"
// or "&".
std::vector<std::string> IssueTextLines(const IssueTextRequest& request);

}  // namespace sample_site
