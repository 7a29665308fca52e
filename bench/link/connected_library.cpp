// SPDX-License-Identifier: MIT
#include "link/connected_library.h"

namespace bench {

ConnectedLibrary::ConnectedLibrary(const std::vector<uint16_t> &ports) {
  for (std::size_t i = 0; i < ports.size(); ++i) {
    if (session_.AddGateway(static_cast<uint16_t>(i + 1), ports[i]) < 0) return;
  }
  ready_ = OpenAll(ports.size());
}

bool OpenAll(std::size_t count) {
  const int32_t opened = PT_GW_Open(0);
  if (opened != 6 && opened != 7) return false;
  std::vector<uint8_t> status(count);
  return roviro2_test::PollUntil(
      [&] {
        PT_GW_AllStatus(status.data());
        for (uint8_t one : status)
          if (one != 7) return false;
        return true;
      },
      kPatience);
}

}  // namespace bench
