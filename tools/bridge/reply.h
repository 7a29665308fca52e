/* SPDX-License-Identifier: MIT */
// Calling a command and the JSON of its reply, or of an error.
#pragma once

#include <string>

#include "command.h"

namespace bridge {

// Calls the command's function; the reply: id, function, result, its text
// and what the function wrote (frames, entries), if anything.
std::string Call(const Command &command);

// The reply to a message that was not called: id (if any) and the error.
std::string ErrorReply(const std::string &id, const std::string &error);

}  // namespace bridge
