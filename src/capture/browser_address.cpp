#include "capture/browser_address.h"

#include "platform/cp932.h"

std::string BrowserReply(const BrowserPage& page) {
  // Appended piece by piece: GCC 12 warns falsely about overlap on a chain of + here.
  std::string reply = "\"";
  reply += cp932::FromUtf8(page.url);
  reply += "\",\"";
  reply += cp932::FromUtf8(page.title);
  reply += '"';
  return reply;
}

std::string BrowserAddressSource::Request() const {
  const BrowserCapture capture = CaptureBrowserPage(settings_);
  return capture.page ? BrowserReply(*capture.page) : std::string();
}

std::string FirstQuotedField(std::string_view reply) {
  // A plain byte search, as the reply is raw text.
  const std::size_t found = reply.find("\",");
  if (found == std::string_view::npos || found == 0) return {};
  return std::string(reply.substr(1, found - 1));
}

std::string GetBrowserAddress(int index, const BrowserAddressSource& source) {
  if (index < 0 || index >= static_cast<int>(BrowserDdeServices.size())) return {};
  return FirstQuotedField(source.Request());
}
