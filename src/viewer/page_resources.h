#pragma once
// What a page shown in the view may load besides itself (images, style sheets, a page a
// link leads to): a regular file of at most 4 MiB directly in the page's own folder, the
// newsletter's folder. An issue's markup comes from a server: anything else it names (a
// file elsewhere, a link that leads out, a pipe, a device, /proc, the network) loads as
// nothing, and is never opened.

#include <QTextDocument>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

inline constexpr std::size_t kMaxPageResourceBytes = 4u << 20;

// The native path of a file:// address.
std::filesystem::path LocalFilePath(const QUrl& url);

// The bytes of `name` (resolved against `page`, the local file shown), or nothing.
std::optional<std::string> LoadPageResource(const QUrl& page, const QUrl& name);

// For tests: told of every address asked for (resolved) and every file then opened. It
// may be called from the thread that builds a large page.
struct PageResourceTrace {
  std::function<void(const QUrl&)> asked;
  std::function<void(const std::filesystem::path&)> opened;
};
void SetPageResourceTrace(PageResourceTrace trace);

// The view's documents: every resource goes through LoadPageResource, and nothing else
// loads one (the plain QTextDocument would open any local file it is given, and Qt's
// image handler any file name, when a resource comes back empty).
class PageDocument final : public QTextDocument {
 public:
  using QTextDocument::QTextDocument;

 protected:
  QVariant loadResource(int type, const QUrl& name) override;
};
