#pragma once
// Firefox session files showing pages of the service, as a running Firefox writes them
// ("mozLz40\0", the 4-byte little-endian size of the JSON, one LZ4 block): for the demo
// and the tests of the address capture.

#include <string>
#include <string_view>

namespace sample_site {

// The session file holding `json`.
std::string FirefoxSessionFile(std::string_view json);

// The JSON of a session with one focused window showing one tab at `url` (UTF-8).
std::string SingleTabSession(const std::string& url, const std::string& title);

}  // namespace sample_site
