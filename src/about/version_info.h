#pragma once
// The program's version strings, compiled in from the build's project settings where
// the original read its executable's version resource.

#include <array>
#include <map>
#include <string>
#include <string_view>

#include "about/version_notice.h"

// The keys asked for, in this order.
inline constexpr std::array<std::string_view, 4> VersionKeys{"CompanyName", "FileVersion", "OriginalFileName",
                                                             "ProductName"};

// Key to value (Shift-JIS); empty when no version information exists.
using VersionResource = std::map<std::string, std::string, std::less<>>;

// The strings compiled into this program; keys compiled in empty are left out.
VersionResource CompiledVersionResource();

// VersionText: one "key=value" CR LF per key of VersionKeys found, in their order, or
// "No version information found" when the resource is empty. FileVersionText: the
// FileVersion value, or empty.
void ReadVersionInfo(VersionNotice& notice, const VersionResource& resource = CompiledVersionResource());
