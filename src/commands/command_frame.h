/* SPDX-License-Identifier: MIT */
// A command frame under construction: the 8200-byte buffer of one command
// call, with the header filled from the tag address and the data appended
// piece by piece.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "commands/caller_bytes.h"
#include "commands/command_codes.h"
#include "link/frame.h"

namespace roviro2 {

// The result of a command whose arguments cannot be put into a frame.
constexpr int32_t kCommandRefused = -4;

// The first data byte of the device escape (kDeviceEscape).
constexpr uint8_t kEscapeLead = 0x40;

class CommandFrame {
 public:
  // Gateway, port code and node from the tag address.
  CommandFrame(uint32_t tagAddr, uint8_t command);
  // For the gateway-level commands, which name gateway and port themselves.
  CommandFrame(uint16_t gwId, uint8_t portCode, uint8_t command, uint8_t node);

  // Appending never writes past the data area: data that does not fit, and
  // caller bytes that were refused, are dropped whole and mark the frame,
  // which Send then refuses.
  void Put(uint8_t byte);
  void Put(std::initializer_list<uint8_t> bytes);
  void Put(const uint8_t *bytes, std::size_t count);
  void Put(const std::string &chars);
  void Put(const CallerBytes &bytes);
  // The bytes of text before its zero byte, at most limit; null is empty.
  void PutText(const char *text, std::size_t limit);
  // Two hexadecimal digits for each byte.
  void PutHex(uint8_t byte);
  void PutHex(const uint8_t *bytes, std::size_t count);
  void PutHex(const CallerBytes &bytes);

  // Writes the length field and hands the frame to the sender, returning its
  // result; kCommandRefused, with nothing sent, for a marked frame.
  int32_t Send();

 private:
  CommandFrame(const TagAddr &tag, uint8_t command);
  bool Reserve(std::size_t count);

  // Only the header is cleared (bytes 3, 4 and 5 stay 0): a data byte is
  // always written before it is sent, and clearing all 8200 bytes on every
  // command would cost more than building the frame.
  std::array<uint8_t, kCommandBufferSize> buffer_;
  uint16_t gwId_;
  std::size_t dataSize_ = 0;
  bool refused_ = false;
};

// One frame of the command with the given data bytes (none: header only).
int32_t SendCommand(uint32_t tagAddr, uint8_t command, std::initializer_list<uint8_t> data = {});

// The device escape's setting frame: 0x40, ESC, ESC, sub-code, value.
int32_t SendSetting(uint32_t tagAddr, uint8_t subCode, uint8_t value);

}  // namespace roviro2
