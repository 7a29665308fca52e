/* SPDX-License-Identifier: MIT */
// The command layer's part of the library's state (see lib/library_state.h).
#pragma once

#include "commands/command_sender.h"

namespace roviro2 {

struct CommandState {
  CommandSink sink;  // a test's capture; empty: frames go to the gateway sender
};

extern CommandState commandState;  // defined in lib/library_state.cpp
inline CommandState &CommandPart() {
  return commandState;
}

}  // namespace roviro2
