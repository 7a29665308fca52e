// SPDX-License-Identifier: MIT
// Decoding one received frame into tag address, command, status and data.
#include <gtest/gtest.h>

#include <vector>

#include "link/tag_decode.h"

namespace roviro2 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Frame(uint8_t command, std::size_t size = 8, uint8_t port = 0x60) {
  Bytes frame(size);
  for (std::size_t i = 8; i < size; ++i)
    frame[i] = static_cast<uint8_t>(i);
  frame[0] = static_cast<uint8_t>(size);
  frame[1] = static_cast<uint8_t>(size >> 8);
  frame[2] = port;
  frame[3] = 0xAA;  // never read
  frame[4] = 0x2C;
  frame[5] = 0xBB;  // never read
  frame[6] = command;
  frame[7] = 0x11;
  return frame;
}

TagMessage Decode(const Bytes &frame) {
  TagMessage message;
  EXPECT_TRUE(DecodeTagMessage(frame.data(), frame.size(), message));
  return message;
}

TEST(TagDecode, CommandsUpToFifteenAndRawDataHaveNoStatusByte) {
  for (const uint8_t command : {0x00, 0x0F, 0x28}) {
    const Bytes frame = Frame(command, 11);
    const TagMessage m = Decode(frame);
    EXPECT_EQ(m.command, command);
    EXPECT_EQ(m.status, -1) << int(command);
    EXPECT_EQ(m.dataLength, 3) << int(command);
    EXPECT_EQ(m.data, frame.data() + 8) << int(command);
    EXPECT_EQ(m.tagAddr, 0x002C0111u);
  }
}

TEST(TagDecode, EveryOtherCommandHasAStatusByteBeforeItsData) {
  for (const uint8_t command : {0x10, 0x27, 0x29, 0x37, 0xFF}) {
    const Bytes frame = Frame(command, 11);
    const TagMessage m = Decode(frame);
    EXPECT_EQ(m.status, 8) << int(command);
    EXPECT_EQ(m.dataLength, 2) << int(command);
    EXPECT_EQ(m.data, frame.data() + 9) << int(command);
  }
  TagMessage m = Decode(Frame(0x37, 9));
  EXPECT_EQ(m.status, 8);
  EXPECT_EQ(m.dataLength, 0) << "status only";
  m = Decode(Frame(0x37, 8));
  EXPECT_EQ(m.status, 0) << "header only";
  EXPECT_EQ(m.dataLength, 0);
  Bytes high = Frame(0x40, 10);
  high[8] = 0xF0;
  EXPECT_EQ(Decode(high).status, 0xF0) << "read as 0 to 255";
}

TEST(TagDecode, DiagnosisTakesItsStatusFromTheNodeByteAndKeepsItsData) {
  Bytes frame = Frame(9, 10, 0x61);
  frame[7] = 0xC3;
  const TagMessage m = Decode(frame);
  EXPECT_EQ(m.status, 0xC3);
  EXPECT_EQ(m.tagAddr, 0x002C0200u) << "node part 0";
  EXPECT_EQ(m.dataLength, 2);
  EXPECT_EQ(m.data, frame.data() + 8);
}

TEST(TagDecode, SourceAddressReadsThePortByItsLowestBitOnly) {
  struct Case {
    uint8_t code;
    uint32_t port;
  };
  for (const Case c : {Case{0x60, 1}, Case{0x61, 2}, Case{0x62, 1}, Case{0x00, 1}, Case{0xFF, 2}}) {
    EXPECT_EQ(Decode(Frame(0x37, 8, c.code)).tagAddr >> 8 & 0xFF, c.port) << int(c.code);
  }
  Bytes frame = Frame(0x37);
  frame[4] = 0xFF;
  frame[7] = 0xFE;
  EXPECT_EQ(Decode(frame).tagAddr, 0x00FF01FEu) << "bits 24-31 stay 0";
}

TEST(TagDecode, LongestFrameGivesAllItsData) {
  EXPECT_EQ(Decode(Frame(0x28, 8198)).dataLength, 8190);
  EXPECT_EQ(Decode(Frame(0x38, 8198)).dataLength, 8189);
}

TEST(TagDecode, DamagedFramesAreRefusedAndNothingIsFilledIn) {
  std::vector<Bytes> damaged;
  for (const std::size_t size : {5, 6, 7}) {
    damaged.push_back(Frame(0x37, 8));
    damaged.back().resize(size);
    damaged.back()[0] = static_cast<uint8_t>(size);
  }
  Bytes longer = Frame(0x37, 12);
  longer[0] = 10;
  Bytes shorter = Frame(0x37, 12);
  shorter[0] = 14;
  Bytes highByte = Frame(0x37, 12);
  highByte[1] = 1;  // 268
  damaged.insert(damaged.end(), {longer, shorter, highByte});
  for (const Bytes &frame : damaged) {
    TagMessage message;
    message.tagAddr = 0x12345678;
    message.status = 77;
    EXPECT_FALSE(DecodeTagMessage(frame.data(), frame.size(), message)) << frame.size();
    EXPECT_EQ(message.tagAddr, 0x12345678u);
    EXPECT_EQ(message.status, 77);
    EXPECT_EQ(message.data, nullptr);
  }
}

}  // namespace
}  // namespace roviro2
