// SPDX-License-Identifier: MIT
#include "commands/command_frame.h"

#include <cstring>

#include "commands/command_sender.h"
#include "commands/hex_digits.h"

namespace roviro2 {

namespace {

constexpr uint8_t kEsc = 0x1B;

}  // namespace

CommandFrame::CommandFrame(uint32_t tagAddr, uint8_t command)
    : CommandFrame(SplitTagAddr(tagAddr), command) {}

CommandFrame::CommandFrame(const TagAddr &tag, uint8_t command)
    : CommandFrame(tag.gwId, PortCodeFor(tag.portSel), command, tag.node) {}

CommandFrame::CommandFrame(uint16_t gwId, uint8_t portCode, uint8_t command, uint8_t node)
    : gwId_(gwId) {
  std::memset(buffer_.data(), 0, kHeaderSize);
  buffer_[kPortCodeOffset] = portCode;
  buffer_[kCommandOffset] = command;
  buffer_[kNodeOffset] = node;
}

bool CommandFrame::Reserve(std::size_t count) {
  if (refused_ || count > kMaxCommandData - dataSize_) {
    refused_ = true;
    return false;
  }
  return true;
}

void CommandFrame::Put(uint8_t byte) {
  Put(&byte, 1);
}

void CommandFrame::Put(std::initializer_list<uint8_t> bytes) {
  Put(bytes.begin(), bytes.size());
}

void CommandFrame::Put(const std::string &chars) {
  Put(reinterpret_cast<const uint8_t *>(chars.data()), chars.size());
}

void CommandFrame::Put(const uint8_t *bytes, std::size_t count) {
  if (count == 0 || !Reserve(count)) return;
  CopyBytes(&buffer_[kHeaderSize + dataSize_], bytes, count);
  dataSize_ += count;
}

void CommandFrame::Put(const CallerBytes &bytes) {
  if (bytes.refused) refused_ = true;
  Put(bytes.bytes, bytes.count);
}

void CommandFrame::PutText(const char *text, std::size_t limit) {
  Put(reinterpret_cast<const uint8_t *>(text), TextLength(text, limit));
}

void CommandFrame::PutHex(const CallerBytes &bytes) {
  if (bytes.refused) refused_ = true;
  PutHex(bytes.bytes, bytes.count);
}

void CommandFrame::PutHex(uint8_t byte) {
  PutHex(&byte, 1);
}

void CommandFrame::PutHex(const uint8_t *bytes, std::size_t count) {
  if (count == 0 || !Reserve(2 * count)) return;
  for (std::size_t i = 0; i < count; ++i) {
    buffer_[kHeaderSize + dataSize_++] = static_cast<uint8_t>(HexDigit(bytes[i] >> 4));
    buffer_[kHeaderSize + dataSize_++] = static_cast<uint8_t>(HexDigit(bytes[i]));
  }
}

int32_t CommandFrame::Send() {
  if (refused_) return kCommandRefused;
  const std::size_t size = kHeaderSize + dataSize_;
  WriteLength(buffer_.data(), size);
  return SendCommandFrame(gwId_, buffer_.data(), size);
}

int32_t SendCommand(uint32_t tagAddr, uint8_t command, std::initializer_list<uint8_t> data) {
  CommandFrame frame(tagAddr, command);
  frame.Put(data);
  return frame.Send();
}

int32_t SendSetting(uint32_t tagAddr, uint8_t subCode, uint8_t value) {
  return SendCommand(tagAddr, kDeviceEscape, {kEscapeLead, kEsc, kEsc, subCode, value});
}

}  // namespace roviro2
