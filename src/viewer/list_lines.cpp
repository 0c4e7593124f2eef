#include "viewer/list_lines.h"

#include <QTextBlock>
#include <QTextDocument>

std::vector<long long> ListLineLengths(const QTextDocument& document) {
  std::vector<long long> lengths;
  lengths.reserve(static_cast<std::size_t>(document.blockCount()));
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    lengths.push_back(block.length() - 1);  // length() counts the block's break
  }
  if (!lengths.empty() && lengths.back() == 0) lengths.pop_back();
  return lengths;
}
