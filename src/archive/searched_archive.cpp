#include "archive/searched_archive.h"

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
  // Folders the index does not list come after the listed ones, by ID: an order that does
  // not hang on the order the file system lists them in.
  for (const std::string& id : ScanFolders(JoinSjis(archiveRoot, kServiceFolderName))) {
    if (!IsPlainName(id) || !seen.insert(id).second) continue;
    newsletters.push_back({id, id, NewsletterFolder(archiveRoot, id)});
  }
  return newsletters;
}
