#include "platform/encoding_validity.h"

#include <algorithm>

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
    const unsigned char lead = At(bytes, i);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    // The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (Between(lead, 0xC2, 0xDF)) {
      length = 2;
    } else if (Between(lead, 0xE0, 0xEF)) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (Between(lead, 0xF0, 0xF4)) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + length > bytes.size() || !Between(At(bytes, i + 1), low, high)) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if (!Between(At(bytes, i + k), 0x80, 0xBF)) return false;
    }
    i += length;
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
