// The one road by which command frames leave the command functions: the
// gateway sender, or a capture sink that a test has installed.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace roviro2 {

// Receives the gateway ID and the frame's bytes (as many as its length field
// says) and returns what the send should return.
using CommandSink = std::function<int32_t(uint16_t gwId, const std::vector<uint8_t> &frame)>;

// Hands a finished frame to PT_GW_SndMsg (or to the installed sink) and
// returns its result unchanged.
int32_t SendCommandFrame(uint16_t gwId, const uint8_t *frame);

// Routes every command frame to sink instead of the gateway sender; an empty
// sink restores the sender. For tests.
void SetCommandSinkForTesting(CommandSink sink);

}  // namespace roviro2
