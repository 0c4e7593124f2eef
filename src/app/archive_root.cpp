#include "app/archive_root.h"

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <cstdlib>

#include "platform/fs.h"

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// HOME, else the account's own home folder.
std::filesystem::path HomeFolder(const std::string& home) {
  if (!home.empty()) return home;
  const passwd* account = ::getpwuid(::getuid());
  return account != nullptr && account->pw_dir != nullptr ? account->pw_dir : "/";
}

}  // namespace

std::filesystem::path AbsoluteFolder(const std::filesystem::path& folder) {
  std::filesystem::path absolute = std::filesystem::absolute(folder).lexically_normal();
  if (!absolute.has_filename() && absolute.has_relative_path()) absolute = absolute.parent_path();
  return absolute;
}

ArchivePlaces CurrentArchivePlaces() {
  return {Environment("YOMITORU_ARCHIVE"),
          std::filesystem::path(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString()),
          Environment("XDG_DATA_HOME"), Environment("HOME")};
}

std::filesystem::path ChooseArchiveRoot(const std::filesystem::path& commandLine,
                                        const ArchivePlaces& places) {
  if (!commandLine.empty()) return AbsoluteFolder(commandLine);
  if (!places.environment.empty()) return AbsoluteFolder(places.environment);
  const std::filesystem::path beside = places.programFolder / "log";
  if (!places.programFolder.empty() && IsFolder(beside)) return AbsoluteFolder(beside);
  // A relative XDG_DATA_HOME is to be ignored, as the base directory rules say.
  const std::filesystem::path dataHome = std::filesystem::path(places.dataHome).is_absolute()
                                             ? std::filesystem::path(places.dataHome)
                                             : HomeFolder(places.home) / ".local" / "share";
  return AbsoluteFolder(dataHome / "yomitoru" / "log");
}
