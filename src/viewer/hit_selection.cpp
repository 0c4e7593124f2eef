#include "viewer/hit_selection.h"

#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>

#include "platform/events.h"
#include "viewer/html_view.h"

namespace {

// The longest wait for a large page laid out in the background.
constexpr int kLoadWaitMs = 10'000;
constexpr int kLoadPollMs = 20;

bool IsLineEnd(char16_t c) { return c == u'\n' || c == u'\r' || c == u'\u2028' || c == u'\u2029'; }

// Where the body starts: after the first line that holds anything but blanks, the header.
qsizetype BodyStart(std::u16string_view text) {
  bool content = false;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (IsLineEnd(text[at])) {
      if (content) return static_cast<qsizetype>(at + 1);
    } else if (text[at] != u' ' && text[at] != u'\t') {
      content = true;
    }
  }
  return static_cast<qsizetype>(text.size());
}

}  // namespace

bool SelectFirstHit(HtmlView& view, const SearchQuery& query) {
  const QPointer<HtmlView> alive(&view);
  for (int waited = 0; alive && view.IsBusy() && waited < kLoadWaitMs; waited += kLoadPollMs)
    WaitWithMessages(kLoadPollMs);
  // Whatever ran meanwhile may have closed the window.
  if (!alive || view.IsBusy()) return false;
  QTextDocument& document = *view.document();
  // The raw text has one unit per cursor position (paragraph breaks as U+2029).
  const QString raw = document.toRawText();
  const std::u16string_view text(reinterpret_cast<const char16_t*>(raw.utf16()),
                                 static_cast<std::size_t>(raw.size()));
  const qsizetype bodyStart = BodyStart(text);
  const std::optional<TextSpan> hit = FindFirstHit(text.substr(static_cast<std::size_t>(bodyStart)), query);
  if (!hit) return false;
  QTextCursor cursor(&document);
  cursor.setPosition(static_cast<int>(bodyStart + static_cast<qsizetype>(hit->start)));
  cursor.setPosition(static_cast<int>(bodyStart + static_cast<qsizetype>(hit->start + hit->length)),
                     QTextCursor::KeepAnchor);
  view.setTextCursor(cursor);
  view.ensureCursorVisible();
  view.TakeFocus();
  return true;
}
