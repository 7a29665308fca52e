/* SPDX-License-Identifier: MIT */
// The one road by which command frames leave the command functions: the
// gateway sender, or a capture sink that a test has installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace roviro2 {

// Receives the gateway ID and the bytes the builder wrote (header and data,
// whatever the length field says) and returns what the send should return.
using CommandSink = std::function<int32_t(uint16_t gwId, const std::vector<uint8_t> &frame)>;

// Hands a finished frame to PT_GW_SndMsg (or to the installed sink) and
// returns its result unchanged. size is the count of bytes the builder wrote:
// the sender goes by the length field, the sink gets exactly these bytes, so
// a test can check the length field against them.
int32_t SendCommandFrame(uint16_t gwId, const uint8_t *frame, std::size_t size);

// Routes every command frame to sink instead of the gateway sender; an empty
// sink restores the sender. For tests.
void SetCommandSinkForTesting(CommandSink sink);

}  // namespace roviro2
