/* SPDX-License-Identifier: MIT */
// Reader of the IPINDEX gateway list: a pure function from the file's bytes
// to its entries, so it can be tested and fuzzed without files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace roviro2 {

struct IpIndexEntry {
  uint16_t id = 0;
  uint16_t port = 0;
  std::string ip;  // trimmed of bytes 0x00-0x20 at both ends
};

struct IpIndexResult {
  bool ok = true;                     // false: a malformed number; no entries
  std::size_t errorLine = 0;          // 1-based line of the malformed number
  std::vector<IpIndexEntry> entries;  // kept entries (ID not 0), file order
};

// Reads at most maxEntries entries; later entries are checked but dropped.
IpIndexResult ReadIpIndex(const uint8_t *data, std::size_t size, std::size_t maxEntries = 256);

}  // namespace roviro2
