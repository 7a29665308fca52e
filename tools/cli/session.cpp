// SPDX-License-Identifier: MIT
#include "session.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>

#include "functions.h"
#include "roviro2.h"
#include "roviro2_ext.h"
#include "values.h"

namespace cli {

using calls::JsonString;
using calls::ReadEntry;
using calls::Timestamp;

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

void PrintFrame(uint32_t tag, int16_t command, int16_t status, const uint8_t *data, int16_t length,
                bool json) {
  std::string hex, text;
  char pair[4];
  for (int16_t i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof pair, " %02X", data[i]);
    hex += pair;
    text += data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : '.';
  }
  if (json) {
    const std::string hexDigits = hex.empty() ? hex : hex.substr(1);
    std::printf(
        "{\"time\":\"%s\",\"event\":\"frame\",\"gateway\":%u,\"port\":%u,\"node\":%u,"
        "\"command\":%d,\"status\":%d,\"hex\":%s,\"text\":%s}\n",
        Timestamp().c_str(), tag >> 16, (tag >> 8) & 0xFF, tag & 0xFF, command & 0xFF, status,
        JsonString(hexDigits).c_str(), JsonString(data, static_cast<std::size_t>(length)).c_str());
  } else {
    std::printf("gateway %u port %u node %u command 0x%02X status %d data%s |%s|\n", tag >> 16,
                (tag >> 8) & 0xFF, tag & 0xFF, command & 0xFF, status, hex.c_str(), text.c_str());
  }
  std::fflush(stdout);
}

void PrintConnection(uint32_t id, const char *event, int error, const char *reason, bool json) {
  if (json) {
    std::printf("{\"time\":\"%s\",\"event\":\"%s\",\"gateway\":%u", Timestamp().c_str(), event, id);
    if (reason) std::printf(",\"error\":%d,\"reason\":%s", error, JsonString(reason).c_str());
    std::printf("}\n");
  } else if (reason) {
    std::printf("gateway %u %s: %s\n", id, event, reason);
  } else {
    std::printf("gateway %u %s\n", id, event);
  }
  std::fflush(stdout);
}

// What was last seen of one gateway's connection.
struct Seen {
  int status = 0;
  int error = 0;
};

// Prints each gateway's connection change since the last call.
void ReportConnections(std::map<uint32_t, Seen> &seen, bool json) {
  uint8_t status[256];
  const int32_t count = PT_GW_AllStatus(status);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t id = PT_GW_Ndx2ID(static_cast<uint32_t>(i));
    if (id <= 0) continue;
    const int now = static_cast<int8_t>(status[i]);
    char reason[256] = {};
    const int error = roviro2_last_error(static_cast<uint32_t>(id), reason, sizeof reason);
    Seen &was = seen[static_cast<uint32_t>(id)];
    if (now == 7 && was.status != 7) {
      PrintConnection(static_cast<uint32_t>(id), "connected", 0, nullptr, json);
    } else if (was.status == 7 && now != 7) {
      PrintConnection(static_cast<uint32_t>(id), "lost", error,
                      reason[0] ? reason : "connection closed", json);
    } else if (now != 7 && error > 0 && error != was.error) {
      PrintConnection(static_cast<uint32_t>(id), "refused", error, reason, json);
    }
    was.status = now;
    was.error = error;
  }
}

}  // namespace

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

int Watch(const WatchOptions &options) {
  std::signal(SIGINT, Interrupt);
  std::signal(SIGTERM, Interrupt);
  const auto deadline = Clock::now() + std::chrono::duration<double>(options.seconds);
  std::map<uint32_t, Seen> seen;
  int printed = 0;
  for (;;) {
    if (options.connections) {
      ReportConnections(seen, options.json);
    } else {
      uint8_t status[256];
      PT_GW_AllStatus(status);  // dispatches, and reconnects what dropped
    }
    while (!options.none) {
      uint32_t tag = options.tag;
      int16_t cmd = static_cast<int16_t>(options.command);
      int16_t status = 0, length = 0;
      uint8_t data[8190];
      const int32_t r = PT_Tag_RcvMsg(&tag, &cmd, &status, data, &length);
      if (r == 0) break;
      if (r == 1) {
        PrintFrame(tag, cmd, status, data, length, options.json);
        ++printed;
      }
    }
    if (interrupted) break;
    int wait = 50;
    if (options.seconds >= 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      wait = static_cast<int>(std::min<decltype(left)>(wait, left));
    }
    Pause(wait);
  }
  return printed;
}

}  // namespace cli
