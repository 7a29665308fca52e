// SPDX-License-Identifier: MIT
#include "commands/command_sender.h"

#include <utility>

#include "roviro2.h"

namespace roviro2 {

namespace {

CommandSink &InstalledSink() {
  static CommandSink sink;
  return sink;
}

}  // namespace

int32_t SendCommandFrame(uint16_t gwId, const uint8_t *frame, std::size_t size) {
  const CommandSink &sink = InstalledSink();
  if (!sink) return PT_GW_SndMsg(gwId, frame);
  return sink(gwId, std::vector<uint8_t>(frame, frame + size));
}

void SetCommandSinkForTesting(CommandSink sink) {
  InstalledSink() = std::move(sink);
}

}  // namespace roviro2
