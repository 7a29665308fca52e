// SPDX-License-Identifier: MIT
#include "gateway.h"

#include <algorithm>

#include "command_codes.h"

namespace gwsim {

Bytes DeviceFrame(int port, uint8_t command, uint8_t node, const Bytes &data) {
  Bytes frame(kHeaderSize + data.size());
  WriteLength(frame.data(), frame.size());
  frame[kPortCodeOffset] = PortCode(port);
  frame[kCommandOffset] = command;
  frame[kNodeOffset] = node;
  std::copy(data.begin(), data.end(), frame.begin() + kHeaderSize);
  return frame;
}

Device &Gateway::At(int port, uint8_t node) {
  Device &d = devices_[{port, node}];
  d.node = node;
  return d;
}

// The poll range and the diagnosis are the gateway's own; every other
// command addresses a device, which exists from then on.
std::vector<Bytes> Gateway::Handle(const uint8_t *frame, std::size_t size) {
  if (size < kHeaderSize) return {};
  ++handled_;
  const Request request{PortOf(frame[kPortCodeOffset]), frame[kCommandOffset], frame[kNodeOffset],
                        Bytes(frame + kHeaderSize, frame + size)};
  if (request.command == command::kPollRange) {
    pollRange_[request.port == 1 ? 0 : 1] = request.node;
    return {};
  }
  if (request.command == command::kDiagnosis) return Diagnose(request.port);
  return OnDevice(request);
}

std::vector<Bytes> Gateway::OnDevice(const Request &request) {
  Device &d = At(request.port, request.node);
  Answers answers;
  if (const DeviceHandler handle = DeviceHandlerFor(request.command)) handle(request, d, answers);
  if (d.node != request.node) {
    Device moved = std::move(d);
    devices_.erase({request.port, request.node});
    devices_[{request.port, moved.node}] = std::move(moved);
  }
  return answers;
}

// One answer per port asked: command 9 with the number of devices known on
// that port as its status in byte 7.
std::vector<Bytes> Gateway::Diagnose(int port) {
  int known = 0;
  for (const auto &entry : devices_)
    known += entry.first.first == port ? 1 : 0;
  return {
      DeviceFrame(port, command::kDiagnosis, static_cast<uint8_t>(known > 255 ? 255 : known), {})};
}

}  // namespace gwsim
