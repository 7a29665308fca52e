// SPDX-License-Identifier: MIT
#include "registry/ipindex_load.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "registry/gateway_table.h"
#include "registry/ipindex.h"

namespace roviro2 {

int32_t LoadIpIndexFile(const char *path) {
  DefaultGw = 0;
  GwCount = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) return -1;
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  file.close();
  const IpIndexResult read = ReadIpIndex(bytes.data(), bytes.size(), kMaxGateways);
  if (!read.ok) return -1;
  for (std::size_t i = 0; i < read.entries.size(); ++i) {
    TMyTCP2 &slot = GwTable[i];
    slot.IPAddr = {read.entries[i].id, read.entries[i].ip, read.entries[i].port};
    slot.OpenFlag = 0;
    slot.OpenCnt = 0;
  }
  GwCount = static_cast<uint16_t>(read.entries.size());
  return GwCount;
}

}  // namespace roviro2
