#include "archive/magazine_deletion.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "archive/archive_lock.h"
#include "archive/magazine_log.h"
#include "platform/dialogs.h"
#include "platform/fs.h"
#include "platform/ini.h"

namespace {

bool IsOwnName(const std::string& name) {
  return !name.empty() && (name[0] != '.' || IsTemporaryFileName(name));
}

}  // namespace

std::error_code RemoveMagazineIndexLine(const std::filesystem::path& archiveRoot, std::string_view id) {
  // A read ending in another process rewrites the index too; the lock keeps its line and
  // this removal from undoing each other.
  const ArchiveLock lock(archiveRoot);
  return RemoveIniKey(ArchiveIndexFile(archiveRoot), kServiceFolderName, id);
}

void DeleteMagazineFolder(const std::filesystem::path& folder) {
  // Every step works relative to the opened folder and never follows a link, so a link
  // swapped in while the files go cannot lead outside it.
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) ::unlink(folder.c_str());
    return;
  }
  DIR* listing = ::fdopendir(fd);
  if (listing == nullptr) {
    ::close(fd);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    struct stat info {};
    if (!IsOwnName(name) || ::fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) names.push_back(name);
  }
  for (const std::string& name : names) ::unlinkat(fd, name.c_str(), 0);
  ::closedir(listing);
  ::rmdir(folder.c_str());
}

std::string DeleteMagazine(const std::filesystem::path& archiveRoot, std::string_view id) {
  if (RemoveMagazineIndexLine(archiveRoot, id)) return ShowWriteFailure(ArchiveIndexFile(archiveRoot));
  // An ID that is no plain name would name a folder elsewhere: only its line goes.
  if (IsPlainName(id)) DeleteMagazineFolder(NewsletterFolder(archiveRoot, id));
  return {};
}
