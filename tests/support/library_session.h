/* SPDX-License-Identifier: MIT */
// The library opened for one test, through its exports only: a temporary
// working directory without IPINDEX, gateways added with PT_GW_InsConf, and
// every notice collected instead of shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fake_gateway.h"
#include "support/ipindex_dir.h"
#include "support/notice_collector.h"

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

  // The notices shown since the session began (or was cleared), in order.
  std::vector<std::string> Notices() const { return notices_.Texts(); }
  void ClearNotices() { notices_.Clear(); }
  IpIndexDir &Dir() { return dir_; }

 private:
  NoticeCollector notices_;
  IpIndexDir dir_;
};

}  // namespace roviro2_test
