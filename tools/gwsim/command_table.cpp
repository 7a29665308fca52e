// SPDX-License-Identifier: MIT
#include <array>
#include <cstdio>
#include <cstdlib>

#include "device_commands.h"

namespace gwsim {

namespace {

using Handlers = std::array<DeviceHandler, 256>;

// Every family's table in one array by code. Two families claiming one code
// is a fault of the simulator's own tables, so it stops the program.
Handlers AllHandlers() {
  Handlers all{};
  for (const CommandTable *table :
       {&LightBarCommands(), &TerminalCommands(), &CounterAndBoardCommands(), &IoCommands()}) {
    for (const CommandEntry &entry : *table) {
      if (all[entry.code]) {
        std::fprintf(stderr, "roviro2-gwsim: command 0x%02X has two handlers\n", entry.code);
        std::abort();
      }
      all[entry.code] = entry.handle;
    }
  }
  return all;
}

}  // namespace

DeviceHandler DeviceHandlerFor(uint8_t code) {
  static const Handlers handlers = AllHandlers();
  return handlers[code];
}

}  // namespace gwsim
