/* SPDX-License-Identifier: MIT */
// Text for people: one decoded line per frame, and the devices' visible state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "gateway.h"

namespace gwsim {

// "in  gw1 p1 n5 show          20 20 34 32 05 |  42.|": direction ("in" for
// frames from the client, "out" for frames to it), port, node, the command's
// name, the data in hexadecimal and as text.
std::string DescribeFrame(const char *direction, int gateway, const uint8_t *frame,
                          std::size_t size);

// How the devices are drawn. kPlain (the state file, `dump`, the view at
// exit) is plain text: a terminal's cursor is a `^` on its own line under the
// cursor cell. kTerminal (the live view) marks the cursor cell in inverse
// video and shows control bytes of device texts as '.', so that no text a
// client sent can steer the operator's terminal.
enum class View { kPlain, kTerminal };

// Every device of the gateway with what it shows.
std::string RenderGateway(int number, uint16_t port, const Gateway &gateway,
                          View view = View::kPlain);

}  // namespace gwsim
