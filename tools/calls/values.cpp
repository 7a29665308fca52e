// SPDX-License-Identifier: MIT
#include "values.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace calls {

bool ParseNumber(const std::string &word, uint32_t &value) {
  if (word.empty()) return false;
  errno = 0;
  char *end = nullptr;
  if (word[0] == '-') {
    const long long v = std::strtoll(word.c_str(), &end, 0);
    if (*end != '\0' || errno != 0 || v < INT32_MIN) return false;
    value = static_cast<uint32_t>(static_cast<int32_t>(v));
    return true;
  }
  const unsigned long long v = std::strtoull(word.c_str(), &end, 0);
  if (*end != '\0' || errno != 0 || v > UINT32_MAX) return false;
  value = static_cast<uint32_t>(v);
  return true;
}

bool ParseTag(const std::string &word, uint32_t &value) {
  const std::size_t first = word.find(':');
  if (first == std::string::npos) return ParseNumber(word, value);
  const std::size_t second = word.find(':', first + 1);
  uint32_t gw = 0, port = 0, node = 0;
  if (second == std::string::npos || !ParseNumber(word.substr(0, first), gw) ||
      !ParseNumber(word.substr(first + 1, second - first - 1), port) ||
      !ParseNumber(word.substr(second + 1), node) || gw > 0xFFFF || port > 0xFF || node > 0xFF) {
    return false;
  }
  value = gw << 16 | port << 8 | node;
  return true;
}

std::string Unescape(const std::string &word) {
  std::string out;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] != '\\' || i + 1 == word.size()) {
      out += word[i];
      continue;
    }
    const char c = word[++i];
    if (c == 'n')
      out += '\n';
    else if (c == 'r')
      out += '\r';
    else if (c == 't')
      out += '\t';
    else if (c == 'x' && i + 2 < word.size()) {
      out += static_cast<char>(std::strtol(word.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else
      out += c;
  }
  return out;
}

bool ParseByteList(const std::string &word, std::vector<uint8_t> &bytes) {
  bytes.clear();
  std::size_t at = 0;
  while (at <= word.size() && !word.empty()) {
    const std::size_t comma = word.find(',', at);
    const std::string item =
        word.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    uint32_t v = 0;
    if (!ParseNumber(item, v) || v > 255) return false;
    bytes.push_back(static_cast<uint8_t>(v));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return true;
}

bool ParseGateway(const std::string &word, uint16_t &id, std::string &ip, uint16_t &port) {
  const std::size_t equals = word.find('=');
  const std::size_t colon = word.rfind(':');
  uint32_t idValue = 0, portValue = 0;
  if (equals == std::string::npos || colon == std::string::npos || colon < equals ||
      !ParseNumber(word.substr(0, equals), idValue) ||
      !ParseNumber(word.substr(colon + 1), portValue) || idValue == 0 || idValue > 0xFFFF ||
      portValue > 0xFFFF) {
    return false;
  }
  id = static_cast<uint16_t>(idValue);
  ip = word.substr(equals + 1, colon - equals - 1);
  port = static_cast<uint16_t>(portValue);
  return !ip.empty();
}

std::string JsonString(const uint8_t *bytes, std::size_t size) {
  std::string json = "\"";
  char escape[8];
  for (std::size_t i = 0; i < size; ++i) {
    const uint8_t c = bytes[i];
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      json += static_cast<char>(c);
    } else {
      std::snprintf(escape, sizeof escape, "\\u%04X", c);
      json += escape;
    }
  }
  return json + "\"";
}

std::string Timestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(millis));
  return text;
}

}  // namespace calls
