#include "app/command_line_browser.h"

#include <ostream>

#include "capture/browser_choice.h"

int RunBrowserAddressOption(const std::filesystem::path& sessionFile, std::ostream& out,
                            std::ostream& errors) {
  const BrowserCapture capture = CaptureBrowserPage(ChooseBrowserSourceSettings(sessionFile));
  if (capture.page) {
    out << capture.page->url << '\n';
    return 0;
  }
  errors << (capture.browserFound ? "ブラウザーはページを表示していません"
                                  : "実行中のブラウザーが見つかりません")
         << '\n';
  return 1;
}
