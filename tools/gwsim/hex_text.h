// SPDX-License-Identifier: MIT
// Hexadecimal digit pairs, as device commands carry bytes in text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gwsim {

// Two hexadecimal digits (either case) at text[at]; -1 when they are not.
int HexByte(const std::string &text, std::size_t at);

// Appends the two uppercase digits of one byte, high nibble first.
void AppendHexByte(std::string &out, uint8_t byte);

// Text of digit pairs ("4869" gives "Hi"); bad digits stop it.
std::string DecodeHexText(const std::string &digits);

}  // namespace gwsim
