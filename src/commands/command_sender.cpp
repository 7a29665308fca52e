// SPDX-License-Identifier: MIT
#include "commands/command_sender.h"

#include <utility>

#include "commands/command_state.h"
#include "roviro2.h"

namespace roviro2 {

int32_t SendCommandFrame(uint16_t gwId, const uint8_t *frame, std::size_t size) {
  const CommandSink &sink = CommandPart().sink;
  if (!sink) return PT_GW_SndMsg(gwId, frame);
  return sink(gwId, std::vector<uint8_t>(frame, frame + size));
}

void SetCommandSinkForTesting(CommandSink sink) {
  CommandPart().sink = std::move(sink);
}

}  // namespace roviro2
