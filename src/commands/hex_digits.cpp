#include "commands/hex_digits.h"

#include <algorithm>

namespace roviro2 {

std::string Hex2(uint32_t value) {
  std::string digits;
  do {
    digits += HexDigit(value);
    value >>= 4;
  } while (value != 0);
  if (digits.size() < 2) digits += '0';
  std::reverse(digits.begin(), digits.end());
  return digits;
}

std::string HexText(const char *text) {
  std::string digits;
  if (!text) return digits;
  for (const char *p = text; *p != '\0'; ++p)
    AppendHexByte(digits, static_cast<uint8_t>(*p));
  return digits;
}

}  // namespace roviro2
