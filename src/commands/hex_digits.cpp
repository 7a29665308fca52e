// SPDX-License-Identifier: MIT
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

}  // namespace roviro2
