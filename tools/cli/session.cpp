// SPDX-License-Identifier: MIT
#include "session.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "roviro2.h"
#include "roviro2_ext.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;
volatile std::sig_atomic_t interrupted = 0;

void Interrupt(int) {
  interrupted = 1;
}

bool AllConnected() {
  uint8_t status[256];
  const int32_t count = PT_GW_AllStatus(status);
  for (int32_t i = 0; i < count; ++i) {
    if (PT_GW_Ndx2ID(static_cast<uint32_t>(i)) != 0 && status[i] != 7) return false;
  }
  return true;
}

// Waits for socket events, at most `ms` milliseconds.
void Pause(int ms) {
  pollfd watch{roviro2_event_fd(), POLLIN, 0};
  poll(&watch, watch.fd >= 0 ? 1 : 0, ms);
}

void PrintFrame(uint32_t tag, int16_t command, int16_t status, const uint8_t *data,
                int16_t length) {
  std::printf("gateway %u port %u node %u command 0x%02X status %d data", tag >> 16,
              (tag >> 8) & 0xFF, tag & 0xFF, command & 0xFF, status);
  std::string text;
  for (int16_t i = 0; i < length; ++i) {
    std::printf(" %02X", data[i]);
    text += data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : '.';
  }
  std::printf(" |%s|\n", text.c_str());
  std::fflush(stdout);
}

}  // namespace

// PT_GW_Conf writes at most 16 bytes.
int32_t ReadEntry(uint32_t index, uint16_t &id, std::string &ip, int32_t &port) {
  char room[16] = {};
  const int32_t r = PT_GW_Conf(index, &id, room, &port);
  ip = room;
  return r;
}

bool OpenTable(const std::vector<GatewayOption> &gateways, std::string &error) {
  PT_API_Open();
  for (const GatewayOption &g : gateways) {
    if (PT_GW_InsConf(g.id, g.ip.c_str(), g.port) < 0) {
      error = "cannot add gateway " + std::to_string(g.id) + " (ID or address already present)";
      return false;
    }
  }
  if (PT_GW_Cnt() == 0) {
    error = "no gateways: write an IPINDEX file here or give --gateway ID=IP:PORT";
    return false;
  }
  return true;
}

bool ConnectAll(double seconds) {
  PT_GW_Open(0);
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (!AllConnected()) {
    if (Clock::now() >= deadline) return false;
    Pause(20);
  }
  return true;
}

bool PrintStatus() {
  uint8_t status[256];
  const int32_t count = PT_GW_AllStatus(status);
  bool all = true;
  for (int32_t i = 0; i < count; ++i) {
    uint16_t id = 0;
    int32_t port = 0;
    std::string ip;
    ReadEntry(static_cast<uint32_t>(i), id, ip, port);
    const int s = static_cast<int8_t>(status[i]);
    const char *meaning = s == 7    ? "connected"
                          : s == 6  ? "connecting"
                          : s == 0  ? "not connected"
                          : s == -1 ? "deleted entry"
                                    : "cannot connect";
    std::printf("gateway %u at %s:%d: %d %s\n", id, ip.c_str(), port, s, meaning);
    all = all && (s == 7 || id == 0);
  }
  return all;
}

int Watch(double seconds, int command) {
  std::signal(SIGINT, Interrupt);
  std::signal(SIGTERM, Interrupt);
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  int printed = 0;
  while (!interrupted && (seconds < 0 || Clock::now() < deadline)) {
    uint8_t status[256];
    PT_GW_AllStatus(status);  // dispatches, and reconnects what dropped
    for (;;) {
      uint32_t tag = 0;
      int16_t cmd = static_cast<int16_t>(command);
      int16_t status_ = 0, length = 0;
      uint8_t data[8190];
      const int32_t r = PT_Tag_RcvMsg(&tag, &cmd, &status_, data, &length);
      if (r == 0) break;
      if (r == 1) {
        PrintFrame(tag, cmd, status_, data, length);
        ++printed;
      }
    }
    Pause(50);
  }
  return printed;
}

}  // namespace cli
