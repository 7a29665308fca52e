// SPDX-License-Identifier: MIT
#include "support/library_session.h"

#include "roviro2.h"

namespace roviro2_test {

LibrarySession::LibrarySession() {
  PT_API_Close();
  PT_API_Open();
}

LibrarySession::~LibrarySession() {
  PT_API_Close();
  // Leaves an empty table for the next test: a file without entries.
  dir_.Write("");
  PT_API_Open();
  PT_API_Close();
}

int32_t LibrarySession::AddGateway(uint16_t gwId, uint16_t port) {
  return PT_GW_InsConf(gwId, "127.0.0.1", port);
}

bool LibrarySession::Connect(uint16_t gwId) {
  const int32_t opened = PT_GW_Open(gwId);
  return (opened == 6 || opened == 7) && WaitStatus(gwId, 7);
}

bool LibrarySession::WaitStatus(uint16_t gwId, int32_t status) {
  return PollUntil([&] { return PT_GW_Status(gwId) == status; });
}

int32_t LibrarySession::WaitFrame(uint16_t gwId) {
  int32_t size = 0;
  PollUntil([&] {
    PT_GW_Status(gwId);
    size = PT_GW_RcvReady(gwId);
    return size > 0;
  });
  return size;
}

}  // namespace roviro2_test
