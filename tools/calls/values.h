/* SPDX-License-Identifier: MIT */
// Reading words as the values the library's functions take, and the time
// and bytes as the tools print them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace calls {

// A decimal, 0x-hexadecimal or negative whole number that fits 32 bits.
bool ParseNumber(const std::string &word, uint32_t &value);
// A tag address: gw:port:node (each a number), or a plain number.
bool ParseTag(const std::string &word, uint32_t &value);
// Text with C escapes (\n, \r, \t, \\, \xNN) turned into bytes.
std::string Unescape(const std::string &word);
// Comma-separated numbers 0..255 ("1,2,31").
bool ParseByteList(const std::string &word, std::vector<uint8_t> &bytes);
// The bytes as a quoted JSON string: printable ASCII as it is (quote and
// backslash escaped), every other byte as \u00XX, so that any data gives
// valid JSON.
std::string JsonString(const uint8_t *bytes, std::size_t size);
inline std::string JsonString(const std::string &text) {
  return JsonString(reinterpret_cast<const uint8_t *>(text.data()), text.size());
}
// ID=IP:PORT of --gateway.
bool ParseGateway(const std::string &word, uint16_t &id, std::string &ip, uint16_t &port);
// The current time as ISO 8601 UTC with milliseconds.
std::string Timestamp();

}  // namespace calls
