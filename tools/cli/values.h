/* SPDX-License-Identifier: MIT */
// Reading command-line words as the values the library's functions take.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// A decimal, 0x-hexadecimal or negative whole number that fits 32 bits.
bool ParseNumber(const std::string &word, uint32_t &value);
// A tag address: gw:port:node (each a number), or a plain number.
bool ParseTag(const std::string &word, uint32_t &value);
// Text with C escapes (\n, \r, \t, \\, \xNN) turned into bytes.
std::string Unescape(const std::string &word);
// Comma-separated numbers 0..255 ("1,2,31").
bool ParseByteList(const std::string &word, std::vector<uint8_t> &bytes);
// ID=IP:PORT of --gateway.
bool ParseGateway(const std::string &word, uint16_t &id, std::string &ip, uint16_t &port);

}  // namespace cli
