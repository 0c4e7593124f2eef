#pragma once
// Bytes of the service's own pages that belong to no newsletter: the index, the error
// pages, and the pages behind the /fault/ paths.

#include <cstddef>
#include <string>
#include <vector>

#include "sample_site/sample_site.h"

namespace sample_site {

std::string IndexPage(const std::vector<SampleNewsletter>& newsletters);  // Shift-JIS
std::string NotFoundPage();                                               // Shift-JIS
std::string ServerErrorPage();                                            // Shift-JIS

// A Shift-JIS page of exactly `total` bytes (at least its frame, about 700 bytes) with
// a title and the newsletter markers near the top: `length` bytes of it from `offset`.
// Pieces can be made one at a time, so a large page never has to be held whole.
std::string LargePageSlice(std::size_t total, std::size_t offset, std::size_t length);

// The slow page: its head arrives at once, then `SlowPiece` for each later offset.
std::string SlowPageHead();
std::string SlowPiece(std::size_t offset, std::size_t length);

std::string BadUtf8Page();
std::string BadEucJpPage();

// The page for /fault/charset/{variant}, or empty for an unknown variant.
std::string CharsetPage(const std::string& variant);

}  // namespace sample_site
