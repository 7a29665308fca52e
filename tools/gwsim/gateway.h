/* SPDX-License-Identifier: MIT */
// One simulated gateway: two serial ports with devices by node address. It
// takes the frames a client sends, updates the devices and returns the
// frames it answers with. No sockets here: bytes in, bytes out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "device.h"
#include "device_commands.h"
#include "frame.h"

namespace gwsim {

// Port 1 or 2 from a port code (0x60, 0x61: the lowest bit).
inline int PortOf(uint8_t portCode) {
  return (portCode & 1) + 1;
}
inline uint8_t PortCode(int port) {
  return port == 1 ? 0x60 : 0x61;
}

// A frame from a device to the client: header, then data.
Bytes DeviceFrame(int port, uint8_t command, uint8_t node, const Bytes &data);

// The version text a terminal answers with.
constexpr const char *kVersionText = "GWSIM 1.0";

class Gateway {
 public:
  using Key = std::pair<int, uint8_t>;  // port, node

  // Handles one complete frame; returns the answers, in order.
  std::vector<Bytes> Handle(const uint8_t *frame, std::size_t size);

  Device &At(int port, uint8_t node);
  const std::map<Key, Device> &Devices() const { return devices_; }
  int PollRange(int port) const { return pollRange_[port == 1 ? 0 : 1]; }
  std::size_t FramesHandled() const { return handled_; }

 private:
  std::vector<Bytes> Diagnose(int port);
  // A command to one device, by the families' tables.
  std::vector<Bytes> OnDevice(const Request &request);

  std::map<Key, Device> devices_;
  int pollRange_[2] = {0, 0};
  std::size_t handled_ = 0;
};

}  // namespace gwsim
