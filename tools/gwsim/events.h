/* SPDX-License-Identifier: MIT */
// The simulator's script: device events and transport faults, one command
// per line. See docs/simulator.md for the syntax.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "gateway.h"

namespace gwsim {

struct Action {
  enum Kind {
    kKey,      // LB key press
    kType,     // keys typed on a DCS terminal
    kScan,     // a CCD scan
    kInput,    // DIO inputs change
    kTick,     // DT2 counter counts
    kConvert,  // bytes from a CNV
    kWait,     // milliseconds
    kExpect,   // wait until a frame with this command reaches this tag
    kClose,    // transport faults of one gateway
    kReset,
    kPause,
    kResume,
    kPieces,     // a converter frame sent in three pieces, `number` ms apart
    kBadLength,  // a length field of `number`, port code 0x60 and five zero bytes
    kDump,
    kQuit,
  } kind = kDump;
  int gateway = 1;  // the simulator's gateway number, from 1
  int port = 1;
  uint8_t node = 0;
  uint32_t number = 0;
  Bytes bytes;
};

// Parses one script line; false with a message for a bad line. Empty lines
// and lines starting with # give no action (true, `empty` set).
bool ParseAction(const std::string &line, Action &action, bool &empty, std::string &error);

// The longest script line: a script read from a file or a pipe never holds
// more than this of one line, whatever the input.
constexpr std::size_t kMaxScriptLine = 64 * 1024;

// Reads the next line (without its line end) of at most kMaxScriptLine
// characters; false at the end of the input. A longer line sets tooLong.
bool ReadScriptLine(std::istream &in, std::string &line, bool &tooLong);

// The frame a device event sends; updates the device (inputs, counter).
Bytes EventFrame(const Action &action, Device &device);

}  // namespace gwsim
