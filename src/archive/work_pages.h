#pragma once
// The HTML pages built around stored issue text, and the work pages of the HTML view
// in a newsletter's folder.

#include <string>
#include <string_view>

inline constexpr std::string_view kPlainHead = "<HTML><HEAD></HEAD><BODY><pre>";
inline constexpr std::string_view kPlainTail = "</pre></BODY></HTML>";
inline constexpr std::string_view kEntryMarker = "<div class=\"backnumber-entry\">";

// The page shown for one issue's text: the entry wrapper (the service's style sheet and
// script) when the text holds a blog entry, else the plain wrapper. Every line ends in
// CR LF, except that none follows the tail when the text does not end in a break.
std::string WrapIssuePage(std::string_view issueText, std::string_view serviceRoot);

// Rotating work pages: "work0.htm", "work1.htm", "work2.htm" for the index, which then
// moves on to the next (0 -> 1 -> 2 -> 0; any other value behaves as 2).
std::string NextWorkPageName(int& workPageIndex);
