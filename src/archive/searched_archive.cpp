#include "archive/searched_archive.h"

#include <sys/stat.h>

#include <set>

#include "archive/magazine_list.h"
#include "archive/magazine_log.h"
#include "platform/fs.h"
#include "platform/ini.h"

std::vector<SearchedNewsletter> SearchedNewsletters(const std::filesystem::path& archiveRoot) {
  std::vector<SearchedNewsletter> newsletters;
  std::set<std::string> seen;
  for (const std::string& line : ReadIniSection(ArchiveIndexFile(archiveRoot), kServiceFolderName)) {
    const MagazineRow cells = CutIndexLine(line);
    const std::string& id = cells[1];
    if (!IsPlainName(id) || !seen.insert(id).second) continue;
    newsletters.push_back({id, cells[2], NewsletterFolder(archiveRoot, id)});
  }
  return newsletters;
}

std::vector<SearchedFile> SearchedFiles(const std::filesystem::path& folder) {
  std::vector<SearchedFile> files;
  for (std::string& name : ScanTextFiles(folder)) {
    struct stat info {};
    if (::stat(JoinSjis(folder, name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    const std::int64_t modified = std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
    files.push_back({std::move(name), static_cast<std::int64_t>(info.st_size), modified});
  }
  return files;
}
