// SPDX-License-Identifier: MIT
#include "registry/ipindex_load.h"

#include <vector>

#include "platform/file_read.h"
#include "registry/gateway_table.h"
#include "registry/ipindex.h"

namespace roviro2 {

namespace {
// Far more than 256 entries take; the rest of a larger file is ignored, as
// entries past the 256th are.
constexpr std::size_t kMaxIpIndexBytes = 1 << 20;
}  // namespace

int32_t LoadIpIndexFile(const char *path) {
  RegistryState &registry = RegistryPart();
  registry.DefaultGw = 0;
  registry.GwCount = 0;
  registry.index.Invalidate();
  std::vector<uint8_t> bytes;
  if (!ReadRegularFile(path, kMaxIpIndexBytes, bytes)) return -1;
  const IpIndexResult read = ReadIpIndex(bytes.data(), bytes.size(), kMaxGateways);
  if (!read.ok) return -1;
  for (std::size_t i = 0; i < read.entries.size(); ++i) {
    TMyTCP2 &slot = registry.GwTable[i];
    slot.IPAddr = {read.entries[i].id, read.entries[i].ip, read.entries[i].port};
    slot.OpenFlag = 0;
    slot.OpenCnt = 0;
  }
  registry.GwCount = static_cast<uint16_t>(read.entries.size());
  registry.index.Invalidate();
  return registry.GwCount;
}

}  // namespace roviro2
