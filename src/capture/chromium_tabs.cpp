#include "capture/chromium_tabs.h"

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/events.h"
#include "platform/http.h"

namespace {

using Json = nlohmann::json;

// A tab list is a few kilobytes; a larger answer is no browser's.
constexpr std::size_t kAnswerLimit = std::size_t{8} << 20;
constexpr int kPollMs = 10;

std::string StringMember(const Json& object, const char* name) {
  const auto found = object.find(name);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

}  // namespace

std::optional<BrowserPage> FirstPageOfTabList(std::string_view json) {
  const Json list = Json::parse(json, nullptr, false);
  if (list.is_discarded() || !list.is_array()) return std::nullopt;
  for (const Json& entry : list) {
    if (!entry.is_object() || StringMember(entry, "type") != "page") continue;
    const auto url = entry.find("url");
    if (url == entry.end() || !url->is_string()) continue;
    return BrowserPage{url->get<std::string>(), StringMember(entry, "title")};
  }
  return std::nullopt;
}

std::optional<BrowserPage> AskChromium(int port, int limitMs) {
  if (port < 1 || port > 65535) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  const auto timeLeft = [&deadline] { return std::chrono::steady_clock::now() < deadline; };
  const std::unique_ptr<HttpSession> session = HttpSession::Open("Yomitoru");
  if (!session) return std::nullopt;
  HttpRequest request(*session, "http://127.0.0.1:" + std::to_string(port) + "/json/list");
  if (!request.Begin()) return std::nullopt;
  HttpRequest::OpenState state = HttpRequest::OpenState::kPending;
  while (state == HttpRequest::OpenState::kPending && timeLeft()) {
    state = request.PollOpen(kPollMs);
    ProcessMessages();
  }
  if (state != HttpRequest::OpenState::kOpened || request.Status() != 200) return std::nullopt;
  std::string answer;
  while (timeLeft() && answer.size() <= kAnswerLimit) {
    switch (request.Read(answer, kAnswerLimit, kPollMs)) {
      case HttpRequest::ReadResult::kEnd:
        return FirstPageOfTabList(answer);
      case HttpRequest::ReadResult::kFailed:
        return std::nullopt;
      case HttpRequest::ReadResult::kData:
      case HttpRequest::ReadResult::kNothing:
        break;
    }
    ProcessMessages();
  }
  return std::nullopt;
}
