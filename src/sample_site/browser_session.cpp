#include "sample_site/browser_session.h"

#include <lz4.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace sample_site {

std::string FirefoxSessionFile(std::string_view json) {
  const int bound = LZ4_compressBound(static_cast<int>(json.size()));
  if (bound <= 0) throw std::length_error("session too large for one LZ4 block");
  std::string file("mozLz40\0", 8);
  const auto size = static_cast<std::uint32_t>(json.size());
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
  std::string block(static_cast<std::size_t>(bound), '\0');
  const int written = LZ4_compress_default(json.data(), block.data(), static_cast<int>(json.size()), bound);
  block.resize(static_cast<std::size_t>(written));
  return file + block;
}

std::string SingleTabSession(const std::string& url, const std::string& title) {
  const nlohmann::json entry = {{"url", url}, {"title", title}};
  const nlohmann::json tab = {{"entries", nlohmann::json::array({entry})}, {"index", 1}};
  const nlohmann::json window = {{"tabs", nlohmann::json::array({tab})}, {"selected", 1}, {"zIndex", 1}};
  const nlohmann::json session = {{"version", nlohmann::json::array({"sessionrestore", 1})},
                                  {"windows", nlohmann::json::array({window})},
                                  {"selectedWindow", 1},
                                  {"_closedWindows", nlohmann::json::array()}};
  return session.dump();
}

}  // namespace sample_site
