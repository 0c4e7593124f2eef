#include "viewer/full_width_name.h"

#include <array>
#include <utility>

#include "platform/cp932.h"
#include "platform/sjis.h"

std::string ToFullWidthName(std::string_view name) {
  // Half-width sign, replacement (UTF-8); the order is part of the rule.
  static const std::array<std::pair<const char*, const char*>, 17> kRows = {{
      {"/", "／"},
      {"\\", "￥"},
      {">", "＞"},
      {"<", "＜"},
      {"*", "＊"},
      {"%", "％"},
      {"?", "？"},
      {"\"", "”"},
      {"|", "｜"},
      {":", "："},
      {";", "；"},
      {",", "、"},
      {"+", "＋"},
      {"=", "＝"},
      {"[", "［"},
      {"]", "］"},
      {" ", "_"},
  }};
  std::string result(name);
  for (const auto& [sign, replacement] : kRows) {
    result = sjis::ReplaceAll(result, sign, cp932::FromUtf8(replacement));
  }
  return result;
}
