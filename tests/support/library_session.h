// The library opened for one test, through its exports only: a temporary
// working directory without IPINDEX, gateways added with PT_GW_InsConf, and
// every notice collected instead of printed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fake_gateway.h"
#include "support/ipindex_dir.h"

namespace roviro2_test {

class LibrarySession {
 public:
  LibrarySession();
  ~LibrarySession();
  LibrarySession(const LibrarySession &) = delete;
  LibrarySession &operator=(const LibrarySession &) = delete;

  // Adds gateway gwId at 127.0.0.1:port; returns its slot index.
  int32_t AddGateway(uint16_t gwId, uint16_t port);
  // PT_GW_Open, then polls PT_GW_Status until it is 7.
  bool Connect(uint16_t gwId);
  // Polls PT_GW_Status until it returns `status`.
  bool WaitStatus(uint16_t gwId, int32_t status);
  // Polls PT_GW_Status until a frame of gwId is queued; its size, or 0.
  int32_t WaitFrame(uint16_t gwId);

  const std::vector<std::string> &Notices() const { return notices_; }
  void ClearNotices() { notices_.clear(); }
  IpIndexDir &Dir() { return dir_; }

 private:
  static void Collect(const char *text, void *ctx);

  IpIndexDir dir_;
  std::vector<std::string> notices_;
};

}  // namespace roviro2_test
