// SPDX-License-Identifier: MIT
#include "registry/ipindex.h"

#include <algorithm>
#include <optional>

namespace roviro2 {
namespace {

constexpr uint8_t kEof = 0x1A;
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;
constexpr std::size_t kMaxNumberChars = 32;

bool IsBlank(uint8_t c) {
  return c <= 0x20 && c != kEof;
}

bool IsLineEnd(uint8_t c) {
  return c == kCr || c == kLf;
}

int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A 32-bit integer: [+|-]decimal within the signed range, or $hex within 32 bits.
std::optional<uint32_t> ParseInteger(const uint8_t *s, std::size_t n) {
  if (n > 0 && s[0] == '$') {
    if (n == 1) return std::nullopt;
    uint64_t v = 0;
    for (std::size_t i = 1; i < n; ++i) {
      const int d = HexValue(s[i]);
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    return static_cast<uint32_t>(v);
  }
  std::size_t i = 0;
  const bool negative = n > 0 && s[0] == '-';
  if (n > 0 && (s[0] == '-' || s[0] == '+')) i = 1;
  if (i == n) return std::nullopt;
  const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  uint64_t v = 0;
  for (; i < n; ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    v = v * 10 + (s[i] - '0');
    if (v > limit) return std::nullopt;
  }
  return negative ? static_cast<uint32_t>(0 - v) : static_cast<uint32_t>(v);
}

class Reader {
 public:
  Reader(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}

  bool AtEnd() const { return pos_ >= size_ || data_[pos_] == kEof; }
  std::size_t Line() const { return line_; }

  // Skips blanks, line ends included, then reads one number. At the end of
  // the file the number is 0. Returns false for a malformed number.
  bool ReadNumber(uint32_t &value) {
    while (!AtEnd() && IsBlank(data_[pos_]))
      Advance();
    value = 0;
    if (AtEnd()) return true;
    const std::size_t start = pos_;
    while (pos_ < size_ && pos_ - start < kMaxNumberChars && data_[pos_] > 0x20)
      ++pos_;
    const std::optional<uint32_t> parsed = ParseInteger(data_ + start, pos_ - start);
    if (!parsed) return false;
    value = *parsed;
    return true;
  }

  // Everything up to the next line end, end-of-file mark or the end,
  // untrimmed.
  std::string ReadAddress() {
    const std::size_t start = pos_;
    while (!AtEnd() && !IsLineEnd(data_[pos_]))
      Advance();
    return std::string(reinterpret_cast<const char *>(data_ + start), pos_ - start);
  }

  // Skips up to and including the next line end: CR, CR LF, or LF alone (a
  // file written on a system whose lines end in LF).
  void SkipLineEnd() {
    while (!AtEnd() && !IsLineEnd(data_[pos_]))
      Advance();
    if (AtEnd()) return;
    const bool cr = data_[pos_] == kCr;
    Advance();
    if (cr && pos_ < size_ && data_[pos_] == kLf) Advance();
  }

 private:
  void Advance() {
    if (data_[pos_] == kLf) ++line_;
    ++pos_;
  }

  const uint8_t *data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
};

std::string Trim(const std::string &s) {
  const auto blank = [](char c) { return static_cast<uint8_t>(c) <= 0x20; };
  const auto first = std::find_if_not(s.begin(), s.end(), blank);
  const auto last = std::find_if_not(s.rbegin(), s.rend(), blank).base();
  return first < last ? std::string(first, last) : std::string();
}

}  // namespace

IpIndexResult ReadIpIndex(const uint8_t *data, std::size_t size, std::size_t maxEntries) {
  IpIndexResult result;
  Reader reader(data, size);
  while (!reader.AtEnd()) {
    const std::size_t line = reader.Line();
    uint32_t id = 0;
    uint32_t port = 0;
    const bool idOk = reader.ReadNumber(id);
    const bool portOk = idOk && reader.ReadNumber(port);
    std::string address = portOk ? reader.ReadAddress() : std::string();
    reader.SkipLineEnd();
    if (!portOk) {
      result.ok = false;
      result.errorLine = line;
      result.entries.clear();
      return result;
    }
    const uint16_t id16 = static_cast<uint16_t>(id);
    if (id16 == 0 || result.entries.size() >= maxEntries) continue;
    result.entries.push_back({id16, static_cast<uint16_t>(port), Trim(address)});
  }
  return result;
}

}  // namespace roviro2
