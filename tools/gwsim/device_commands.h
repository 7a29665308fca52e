// SPDX-License-Identifier: MIT
// The commands a client sends to one device, as tables from command code to
// handler, one table per family of devices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device.h"
#include "frame.h"

namespace gwsim {

struct Request {
  int port = 1;
  uint8_t command = 0;
  uint8_t node = 0;
  Bytes data;  // the bytes after the header
};

using Answers = std::vector<Bytes>;
// Updates the device and appends the frames it answers with. A handler that
// changes device.node moves the device to that node.
using DeviceHandler = void (*)(const Request &request, Device &device, Answers &answers);

struct CommandEntry {
  uint8_t code;
  DeviceHandler handle;
};
using CommandTable = std::vector<CommandEntry>;

const CommandTable &LightBarCommands();
const CommandTable &TerminalCommands();
const CommandTable &CounterAndBoardCommands();
// Digital I/O, converters, scanners, resets and device settings.
const CommandTable &IoCommands();

// The handler of a code from any family; null for a code none of them has.
DeviceHandler DeviceHandlerFor(uint8_t code);

inline std::string AsText(const Bytes &data, std::size_t from = 0) {
  return from < data.size()
             ? std::string(data.begin() + static_cast<std::ptrdiff_t>(from), data.end())
             : std::string();
}

}  // namespace gwsim
