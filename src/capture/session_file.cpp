#include "capture/session_file.h"

#include <string>

#include "capture/chromium_session.h"
#include "capture/firefox_session.h"
#include "platform/fs.h"

std::optional<BrowserPage> ReadSessionFile(const std::filesystem::path& file) {
  std::string bytes;
  if (ReadRegularFileInto(file, bytes, kSessionFileLimit) != FileRead::kRead) return std::nullopt;
  if (IsChromiumSession(bytes)) return ChromiumSessionPage(bytes);
  const std::optional<std::string> json = DecodeSessionFile(bytes);
  if (!json) return std::nullopt;
  return SessionCurrentPage(*json);
}
