/* SPDX-License-Identifier: MIT */
// A command message: JSON naming an export and its arguments, read and
// checked before anything is called.
//
//   {"id": "r1", "function": "PT_LB_DspNum", "args": ["1:1:5", 42, 0, 0]}
//   {"function": "PT_DCS_DspStrE", "args": {"tagAddr": "1:2:3", "text": "Hi", "length": 2}}
//
// Arguments go by position (an array) or by the export table's names (an
// object). A tag address is "gw:port:node" or a number; a number is a JSON
// integer or a string ParseNumber reads ("0x1F", "-3"); a text is a string
// whose characters up to U+00FF are its bytes, or a list of byte values; a
// byte list is a list of 0..255 or a string "1,2,31".
#pragma once

#include <string>

#include "functions.h"

namespace bridge {

struct Command {
  std::string id;  // empty when the message gave none
  const calls::Function *function = nullptr;
  calls::Values values;
};

// Reads a message. False with a message saying what is wrong; `command.id`
// is then set when the message had a usable id, so that the error can be
// answered where the sender listens.
bool ParseCommand(const std::string &payload, Command &command, std::string &error);

// A request id that can stand as one topic level.
bool IsRequestId(const std::string &id);

}  // namespace bridge
