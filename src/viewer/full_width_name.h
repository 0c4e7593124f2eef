#pragma once
// File names made from titles and typed names: the half-width signs that a file system or
// a shell treats specially become their full-width forms.

#include <string>
#include <string_view>

// Replaces, in this order, / \ > < * % ? " | : ; , + = [ ] with ／ ￥ ＞ ＜ ＊ ％ ？ ” ｜ ：
// ； 、 ＋ ＝ ［ ］, and the blank with "_". Works on Shift-JIS characters: the trail byte of
// a double-byte character is never taken for a sign. "." stays.
std::string ToFullWidthName(std::string_view name);
