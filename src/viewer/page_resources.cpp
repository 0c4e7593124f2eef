#include "viewer/page_resources.h"

#include <QFile>
#include <QImage>
#include <mutex>

#include "platform/fs.h"
#include "viewer/qt_text.h"

namespace fs = std::filesystem;

namespace {

std::mutex& TraceMutex() {
  static std::mutex mutex;
  return mutex;
}

PageResourceTrace& Trace() {
  static PageResourceTrace trace;
  return trace;
}

template <typename Call>
void Tell(Call call) {
  std::lock_guard lock(TraceMutex());
  call(Trace());
}

// The file `url` names when it stands directly in the folder of `page`, both with their
// links and ".." resolved (a folder reached through a link keeps working).
std::optional<fs::path> FileBesidePage(const QUrl& page, const QUrl& url) {
  if (!page.isLocalFile() || !url.isLocalFile()) return std::nullopt;
  std::error_code error;
  const fs::path folder = fs::canonical(LocalFilePath(page).parent_path(), error);
  if (error) return std::nullopt;
  const fs::path file = fs::canonical(LocalFilePath(url), error);
  if (error || file.parent_path() != folder || !IsRegularFile(file)) return std::nullopt;
  return file;
}

}  // namespace

fs::path LocalFilePath(const QUrl& url) {
  return fs::path(QFile::encodeName(url.toLocalFile()).toStdString());
}

void SetPageResourceTrace(PageResourceTrace trace) {
  std::lock_guard lock(TraceMutex());
  Trace() = std::move(trace);
}

std::optional<std::string> LoadPageResource(const QUrl& page, const QUrl& name) {
  const QUrl url = page.resolved(name);
  Tell([&url](const PageResourceTrace& trace) {
    if (trace.asked) trace.asked(url);
  });
  const std::optional<fs::path> file = FileBesidePage(page, url);
  if (!file) return std::nullopt;
  Tell([&file](const PageResourceTrace& trace) {
    if (trace.opened) trace.opened(*file);
  });
  std::string bytes;
  if (ReadRegularFileInto(*file, bytes, kMaxPageResourceBytes) != FileRead::kRead) return std::nullopt;
  return bytes;
}

QVariant PageDocument::loadResource(int type, const QUrl& name) {
  const std::optional<std::string> bytes = LoadPageResource(baseUrl(), name);
  if (type == QTextDocument::ImageResource) {
    // An image that may not load is an empty picture: given nothing, Qt would load the
    // name itself.
    if (!bytes) {
      QImage blank(1, 1, QImage::Format_ARGB32);
      blank.fill(Qt::transparent);
      return blank;
    }
    return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
  }
  return bytes ? ToWidgetText(*bytes) : QString();
}
