// SPDX-License-Identifier: MIT
#include "hex_text.h"

namespace gwsim {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

int HexByte(const std::string &text, std::size_t at) {
  if (at + 1 >= text.size()) return -1;
  const int high = HexValue(text[at]);
  const int low = HexValue(text[at + 1]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

void AppendHexByte(std::string &out, uint8_t byte) {
  const char *digits = "0123456789ABCDEF";
  out += digits[byte >> 4];
  out += digits[byte & 0x0F];
}

std::string DecodeHexText(const std::string &digits) {
  std::string text;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    const int byte = HexByte(digits, i);
    if (byte < 0) break;
    text += static_cast<char>(byte);
  }
  return text;
}

}  // namespace gwsim
