#include "platform/collation.h"

#include <unicode/ucol.h>

#include <algorithm>
#include <memory>
#include <numeric>

#include "platform/cp932.h"

namespace {

struct CollatorCloser {
  void operator()(UCollator* collator) const { ucol_close(collator); }
};
using CollatorHandle = std::unique_ptr<UCollator, CollatorCloser>;

CollatorHandle OpenJapaneseCollator() {
  UErrorCode status = U_ZERO_ERROR;
  CollatorHandle collator(ucol_open("ja", &status));
  if (U_FAILURE(status)) return nullptr;
  ucol_setStrength(collator.get(), UCOL_SECONDARY);  // case is a tertiary difference
  return collator;
}

std::string SortKey(const UCollator* collator, const std::string& line) {
  const std::u16string text = cp932::Decode(line);
  const auto* units = reinterpret_cast<const UChar*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  std::string key(64, '\0');
  int32_t needed = ucol_getSortKey(collator, units, length, reinterpret_cast<uint8_t*>(key.data()),
                                   static_cast<int32_t>(key.size()));
  if (needed > static_cast<int32_t>(key.size())) {
    key.resize(static_cast<std::size_t>(needed));
    needed = ucol_getSortKey(collator, units, length, reinterpret_cast<uint8_t*>(key.data()), needed);
  }
  key.resize(needed > 0 ? static_cast<std::size_t>(needed) : 0);
  return key;
}

}  // namespace

void SortIgnoringCase(StringList& lines, const std::function<std::string(const std::string&)>& collatedForm) {
  if (lines.size() < 2) return;
  const CollatorHandle collator = OpenJapaneseCollator();
  // One sort key per line, compared as bytes, instead of collating pairs again and again.
  std::vector<std::string> keys;
  keys.reserve(lines.size());
  for (const std::string& line : lines) {
    std::string form = collatedForm ? collatedForm(line) : line;
    keys.push_back(collator ? SortKey(collator.get(), form) : std::move(form));
  }
  std::vector<std::size_t> order(lines.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  StringList sorted;
  sorted.reserve(lines.size());
  for (const std::size_t index : order) sorted.push_back(std::move(lines[index]));
  lines = std::move(sorted);
}
