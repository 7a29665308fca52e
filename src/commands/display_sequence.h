/* SPDX-License-Identifier: MIT */
// The display sequence of the light bar display functions: the display mode
// decides between switching the display off, showing at once, and showing
// after a preset value.
#pragma once

#include <cstdint>

#include "commands/command_frame.h"

namespace roviro2 {

// Writes the display frame's data: the characters to show. Refers to the
// caller's callable without copying it, so a display command allocates
// nothing; it is valid only during the call it is passed to.
class DisplayFill {
 public:
  template <typename Fill>
  DisplayFill(const Fill &fill)  // implicit: callers pass a lambda
      : fill_(&fill), call_([](const void *object, CommandFrame &frame) {
          (*static_cast<const Fill *>(object))(frame);
        }) {}

  void operator()(CommandFrame &frame) const { call_(fill_, frame); }

 private:
  const void *fill_;
  void (*call_)(const void *object, CommandFrame &frame);
};

// The preset frame: command 18 with a 16-bit value, low byte first.
int32_t SendPreset(uint32_t tagAddr, uint16_t value);

// Switches the display off: command 1, then command 3; returns the second
// send's result.
int32_t SendDisplayOff(uint32_t tagAddr);

// dspMode is read as the signed value of its low 16 bits:
//   <= -3  command 1, then command 3 (result of the second)
//   -2     command 1
//   -1     display frame with command 16
//   0      display frame with command 0
//   >= 1   preset frame with dspMode (result ignored), then display frame
//          with command 16
// fill runs only when a display frame is built.
int32_t SendDisplaySequence(uint32_t tagAddr, int32_t dspMode, const DisplayFill &fill);

}  // namespace roviro2
