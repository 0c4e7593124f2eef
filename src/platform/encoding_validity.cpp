#include "platform/encoding_validity.h"

#include <algorithm>

#include "platform/cp932.h"
#include "platform/sjis.h"

namespace {

bool Between(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

unsigned char At(std::string_view bytes, std::size_t i) {
  return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
}

}  // namespace

bool IsWellFormedUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const cp932::Utf8Step step = cp932::ReadUtf8At(bytes, i);
    if (!step.wellFormed) return false;
    i += step.length;
  }
  return true;
}

bool IsWellFormedEucJp(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char byte = At(bytes, i);
    if (byte < 0x80) {
      ++i;
    } else if (Between(byte, 0xA1, 0xFE)) {
      if (i + 1 >= bytes.size() || !Between(At(bytes, i + 1), 0xA1, 0xFE)) return false;
      i += 2;
    } else if (byte == 0x8E) {
      if (i + 1 >= bytes.size() || !Between(At(bytes, i + 1), 0xA1, 0xDF)) return false;
      i += 2;
    } else if (byte == 0x8F) {
      if (i + 2 >= bytes.size() || !Between(At(bytes, i + 1), 0xA1, 0xFE) ||
          !Between(At(bytes, i + 2), 0xA1, 0xFE)) {
        return false;
      }
      i += 3;
    } else {
      return false;
    }
  }
  return true;
}

bool IsWellFormedCp932(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char byte = At(bytes, i);
    if (sjis::IsLeadByte(byte)) {
      const unsigned char trail = At(bytes, i + 1);
      if (i + 1 >= bytes.size() || !(Between(trail, 0x40, 0x7E) || Between(trail, 0x80, 0xFC))) return false;
      i += 2;
    } else if (byte == 0x80 || byte == 0xA0 || byte >= 0xFD) {
      return false;
    } else {
      ++i;
    }
  }
  return true;
}

bool HasNonAscii(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}
