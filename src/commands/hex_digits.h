/* SPDX-License-Identifier: MIT */
// Hexadecimal digits as the devices read them: uppercase ASCII, most
// significant digit first.
#pragma once

#include <cstdint>
#include <string>

namespace roviro2 {

inline char HexDigit(unsigned value) {
  return "0123456789ABCDEF"[value & 0x0F];
}

// Appends the two digits of one byte, high nibble first.
inline void AppendHexByte(std::string &out, uint8_t byte) {
  out += HexDigit(byte >> 4);
  out += HexDigit(byte);
}

// The value taken as unsigned, at least two digits and as many more as it
// needs: 5 gives "05", 256 gives "100", 0xFFFFFFFF gives "FFFFFFFF".
std::string Hex2(uint32_t value);

}  // namespace roviro2
