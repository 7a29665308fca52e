// SPDX-License-Identifier: MIT
// The IPINDEX reader on arbitrary bytes: entries or an error, never more
// than the table holds, never an entry with ID 0.
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "registry/ipindex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  // An exact copy, so that a read past the end is caught.
  const std::vector<uint8_t> bytes(data, data + size);
  const roviro2::IpIndexResult result = roviro2::ReadIpIndex(bytes.data(), bytes.size(), 256);
  FUZZ_CHECK(result.entries.size() <= 256);
  FUZZ_CHECK(result.ok || result.entries.empty());
  for (const roviro2::IpIndexEntry &entry : result.entries) {
    FUZZ_CHECK(entry.id != 0);
    FUZZ_CHECK(entry.ip.empty() || (static_cast<uint8_t>(entry.ip.front()) > 0x20 &&
                                    static_cast<uint8_t>(entry.ip.back()) > 0x20));
  }
  return 0;
}
