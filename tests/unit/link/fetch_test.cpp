// SPDX-License-Identifier: MIT
// The fetch functions over a queue filled directly: selection by gateway,
// the kept frame's fields, and PT_Tag_RcvMsg's scan and decoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "link/link_state.h"
#include "link/rcv_queue.h"
#include "link/receiver.h"
#include "link/tag_decode.h"
#include "registry/gateway_table.h"
#include "registry/ipindex_load.h"
#include "roviro2.h"

namespace roviro2 {
namespace {

using Bytes = std::vector<uint8_t>;

// A frame as queued: length field, port code, gateway byte, command, node,
// then data.
Bytes Frame(uint8_t gateway, uint8_t port, uint8_t command, uint8_t node, const Bytes &data = {}) {
  Bytes frame(8 + data.size());
  frame[0] = static_cast<uint8_t>(frame.size());
  frame[1] = static_cast<uint8_t>(frame.size() >> 8);
  frame[2] = port;
  frame[4] = gateway;
  frame[6] = command;
  frame[7] = node;
  std::copy(data.begin(), data.end(), frame.begin() + 8);
  return frame;
}

struct Received {
  int32_t result;
  uint32_t tag;
  int16_t command;
  int16_t status;
  Bytes data;
  Bytes tail;  // the output buffer's bytes after the data, up to byte 64
};

class Fetch : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGatewayTableForTesting();
    LinkPart().RcvQueue = std::make_unique<ReceiveQueue>();
    LinkPart().LastRcv.clear();
    for (uint16_t id : {1, 2, 5, 300})
      PT_GW_InsConf(id, "127.0.0.1", 1000 + id);
  }
  void TearDown() override {
    LinkPart().RcvQueue.reset();
    ResetGatewayTableForTesting();
  }

  static void Queue(const Bytes &frame) { ASSERT_TRUE(LinkPart().RcvQueue->Push(frame)); }

  static Received TagRcv(uint32_t tag, int16_t command = -1) {
    Received r{0, tag, command, 0x5555, Bytes(8190, 0xEE), {}};
    int16_t length = 0x5555;
    r.result = PT_Tag_RcvMsg(&r.tag, &r.command, &r.status, r.data.data(), &length);
    const std::size_t kept = length == 0x5555 ? 0 : static_cast<std::size_t>(length);
    const auto tailFrom = r.data.begin() + static_cast<std::ptrdiff_t>(kept);
    r.tail.assign(tailFrom, std::max(tailFrom, r.data.begin() + 64));
    r.data.resize(kept);
    return r;
  }
};

TEST_F(Fetch, ByGatewayTakesThatGatewaysOldestAndLeavesTheRestInOrder) {
  Queue(Frame(1, 0x60, 0x37, 1));
  Queue(Frame(5, 0x60, 0x37, 2, {0xA}));
  Queue(Frame(1, 0x60, 0x37, 3, {0xB, 0xC}));
  Queue(Frame(5, 0x60, 0x37, 4));
  Bytes buffer(8198);
  EXPECT_EQ(PT_GW_RcvReady(5), 9);
  EXPECT_EQ(PT_GW_RcvReady(5), 9) << "ready removes nothing";
  EXPECT_EQ(PT_GW_RcvMsg(5, buffer.data()), 9);
  EXPECT_EQ(buffer[7], 2);
  EXPECT_EQ(PT_GW_RcvMsg(0, buffer.data()), 8) << "ID 0: the oldest of all";
  EXPECT_EQ(buffer[7], 1);
  EXPECT_EQ(PT_GW_RcvMsg(5, buffer.data()), 8);
  EXPECT_EQ(buffer[7], 4);
  EXPECT_EQ(PT_GW_RcvMsg(5, buffer.data()), 0);
  EXPECT_EQ(PT_GW_RcvMsg(1, buffer.data()), 10);
  EXPECT_EQ(buffer[7], 3);
  EXPECT_EQ(PT_GW_RcvReady(0), 0);
}

TEST_F(Fetch, UnknownIdsAreRefusedAndHighIdsNeverMatch) {
  Queue(Frame(44, 0x60, 0x37, 1));  // gateway 300 as marked on receipt
  Bytes buffer(8198, 0xEE);
  EXPECT_EQ(PT_GW_RcvReady(9), -1) << "not in the table, frames queued";
  EXPECT_EQ(PT_GW_RcvMsg(9, buffer.data()), -1);
  EXPECT_EQ(PT_GW_RcvData(9), -1);
  EXPECT_EQ(PT_GW_RcvReady(300), 0);
  EXPECT_EQ(PT_GW_RcvMsg(300, buffer.data()), 0);
  EXPECT_EQ(buffer[0], 0xEE) << "buffer untouched";
  EXPECT_EQ(PT_GW_RcvMsg(0x10000 + 300, buffer.data()), 0) << "low 16 bits";
  EXPECT_EQ(PT_GW_RcvMsg(0, nullptr), -1) << "no buffer: refused";
  EXPECT_EQ(PT_GW_RcvReady(0), 8) << "and the frame stays queued";
}

// A burst is taken on a fast path that trusts the last ID looked up; a
// change of the table must still reach it.
TEST_F(Fetch, BurstFetchesFollowTheTableAndHeldReads) {
  Bytes burst;
  for (uint8_t node = 1; node <= 7; ++node) {
    const Bytes frame = Frame(5, 0x60, 0x37, node);
    burst.insert(burst.end(), frame.begin(), frame.end());
  }
  ASSERT_EQ(LinkPart().RcvQueue->PushFrames(burst.data(), burst.size(), 5), burst.size());
  Bytes buffer(8198);
  EXPECT_EQ(PT_GW_RcvMsg(5, buffer.data()), 8);
  EXPECT_EQ(buffer[7], 1);
  LinkPart().anyHeld = true;  // reads held: the whole way, which resumes them
  EXPECT_EQ(PT_GW_RcvMsg(5, buffer.data()), 8);
  EXPECT_EQ(buffer[7], 2);
  EXPECT_FALSE(LinkPart().anyHeld);
  EXPECT_EQ(PT_GW_DelConf(5), 2);
  EXPECT_EQ(PT_GW_RcvMsg(5, buffer.data()), -1) << "deleted right after a fetch";
  EXPECT_EQ(PT_GW_InsConf(5, "127.0.0.1", 2005), 4);
  EXPECT_EQ(PT_GW_RcvMsg(5, buffer.data()), 8) << "added again";
  EXPECT_EQ(buffer[7], 3);
  LinkPart().anyHeld = true;  // PT_Tag_RcvMsg too takes the whole way then
  const Received r = TagRcv(0x00050000);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.tag, 0x00050104u);
  EXPECT_FALSE(LinkPart().anyHeld);
  EXPECT_EQ(PT_GW_RcvMsg(5, buffer.data()), 8);
  EXPECT_EQ(LoadIpIndexFile("no-such-ipindex"), -1);
  EXPECT_EQ(PT_GW_RcvMsg(5, buffer.data()), -1) << "table emptied by a failed load";
}

TEST_F(Fetch, KeptFrameFieldsAndTheirShortFrameRules) {
  EXPECT_EQ(PT_GW_RcvData(0), 0);
  EXPECT_EQ(PT_GW_RcvTagCmd(), 0) << "nothing kept yet";
  Queue(Frame(2, 0x61, 0x3C, 7, {1, 2, 3}));
  ASSERT_EQ(PT_GW_RcvData(2), 11);
  EXPECT_EQ(PT_GW_RcvAddr(), 2);
  EXPECT_EQ(PT_GW_RcvPort(), 2);
  EXPECT_EQ(PT_GW_RcvTagCmd(), 0x3C);
  EXPECT_EQ(PT_GW_RcvTagNode(), 7);
  Bytes data(8190, 0xEE);
  EXPECT_EQ(PT_GW_RcvTagData(data.data()), 3);
  EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), (Bytes{1, 2, 3, 0xEE}));
  EXPECT_EQ(PT_GW_RcvData(2), 0) << "nothing more";
  EXPECT_EQ(PT_GW_RcvTagCmd(), 0x3C) << "the kept frame stays";

  struct Case {
    std::size_t size;
    int32_t addr, port, command, node;
  };
  for (const Case &c :
       {Case{5, 0, 0, 0, 0}, Case{6, 2, 1, 0, 0}, Case{7, 2, 1, 0x11, 0}, Case{8, 2, 1, 0x11, 9}}) {
    Bytes frame = Frame(2, 0x60, 0x11, 9);
    frame.resize(c.size);
    frame[0] = static_cast<uint8_t>(c.size);
    Queue(frame);
    ASSERT_EQ(PT_GW_RcvData(0), static_cast<int32_t>(c.size));
    EXPECT_EQ(PT_GW_RcvAddr(), c.addr) << c.size;
    EXPECT_EQ(PT_GW_RcvPort(), c.port) << c.size;
    EXPECT_EQ(PT_GW_RcvTagCmd(), c.command) << c.size;
    EXPECT_EQ(PT_GW_RcvTagNode(), c.node) << c.size;
    data.assign(8190, 0xEE);
    EXPECT_EQ(PT_GW_RcvTagData(data.data()), 0) << c.size;
    EXPECT_EQ(data[0], 0xEE) << "nothing copied";
  }
  Queue(Frame(2, 0x62, 0x11, 9, {0x5A}));
  ASSERT_EQ(PT_GW_RcvData(0), 9);
  EXPECT_EQ(PT_GW_RcvPort(), 0) << "only 0x60 and 0x61 name a port here";
  EXPECT_EQ(PT_GW_RcvTagNode(), 9);
  data.assign(8190, 0xEE);
  EXPECT_EQ(PT_GW_RcvTagData(data.data()), 1) << "9 bytes: one data byte";
  EXPECT_EQ(Bytes(data.begin(), data.begin() + 2), (Bytes{0x5A, 0xEE}));
}

TEST_F(Fetch, TagMessagesWithoutStatusByte) {
  Queue(Frame(5, 0x60, 0x28, 3, {'a', 'b'}));
  Queue(Frame(5, 0x61, 0x00, 4, {'c'}));
  Received r = TagRcv(0);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.tag, 0x00050103u);
  EXPECT_EQ(r.command, 0x28);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.data, (Bytes{'a', 'b'}));
  r = TagRcv(0);
  EXPECT_EQ(r.tag, 0x00050204u);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.data, (Bytes{'c'}));
}

TEST_F(Fetch, DiagnosisAnswerCarriesItsStatusInTheNodeByte) {
  Queue(Frame(5, 0x61, 9, 0x81));
  const Received r = TagRcv(0);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.command, 9);
  EXPECT_EQ(r.status, 0x81);
  EXPECT_EQ(r.tag, 0x00050200u) << "node part 0";
  EXPECT_TRUE(r.data.empty());
}

TEST_F(Fetch, TagMessagesWithStatusByte) {
  Queue(Frame(5, 0x60, 0x37, 3));
  Queue(Frame(5, 0x60, 0x40, 3, {0x07}));
  Queue(Frame(5, 0x60, 0x3C, 3, {0x00, 0x12, 0x34}));
  Received r = TagRcv(0);
  EXPECT_EQ(r.status, 0) << "8 bytes: status 0";
  EXPECT_TRUE(r.data.empty());
  r = TagRcv(0);
  EXPECT_EQ(r.status, 7);
  EXPECT_TRUE(r.data.empty());
  r = TagRcv(0);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.data, (Bytes{0x12, 0x34}));
}

// Frames of every data length around the copies without a call, of each
// kind of command, in one burst: each is handed out as it decodes alone,
// and no byte past its data is written.
TEST_F(Fetch, BurstTagMessagesOfEveryDataLengthAreHandedOutExactly) {
  for (const uint32_t filter : {0u, 0x00050000u}) {
    std::vector<Bytes> frames;
    Bytes burst;
    for (const uint8_t command : {0x00, 0x09, 0x37}) {
      for (std::size_t n = 0; n <= 20; ++n) {
        Bytes data(n);
        for (std::size_t i = 0; i < n; ++i)
          data[i] = static_cast<uint8_t>(0x10 + i);
        frames.push_back(Frame(5, 0x61, command, 7, data));
        burst.insert(burst.end(), frames.back().begin(), frames.back().end());
      }
    }
    ASSERT_EQ(LinkPart().RcvQueue->PushFrames(burst.data(), burst.size(), 5), burst.size());
    for (const Bytes &frame : frames) {
      TagMessage expected;
      ASSERT_TRUE(DecodeTagMessage(frame.data(), frame.size(), expected));
      const Received r = TagRcv(filter);
      ASSERT_EQ(r.result, 1);
      EXPECT_EQ(r.tag, expected.tagAddr);
      EXPECT_EQ(r.command, expected.command);
      EXPECT_EQ(r.status, expected.status);
      const std::size_t n = static_cast<std::size_t>(expected.dataLength);
      ASSERT_EQ(r.data.size(), n) << frame.size();
      EXPECT_TRUE(std::equal(r.data.begin(), r.data.end(), expected.data));
      EXPECT_TRUE(std::all_of(r.tail.begin(), r.tail.end(), [](uint8_t b) { return b == 0xEE; }))
          << "written past " << n << " bytes of data";
    }
    EXPECT_TRUE(LinkPart().RcvQueue->Empty());
  }
}

TEST_F(Fetch, FiltersByGatewayPortNodeAndCommand) {
  Queue(Frame(1, 0x60, 0x37, 3));
  Queue(Frame(5, 0x61, 0x37, 3));
  Queue(Frame(5, 0x60, 0x38, 4));
  Queue(Frame(5, 0x62, 0x37, 3));
  EXPECT_EQ(TagRcv(0x00050300).result, 0) << "port 3 matches nothing";
  EXPECT_EQ(TagRcv(0x00090000).result, 0) << "no frame of gateway 9";
  EXPECT_EQ(TagRcv(0x012C0000).result, 0) << "gateway 300 matches no gateway byte";
  EXPECT_EQ(TagRcv(0x00050004, 0x37).result, 0) << "node 4 sent command 0x38";
  Received r = TagRcv(0x00050100);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.command, 0x38) << "port 1 of gateway 5: the even code";
  r = TagRcv(0x00050100);
  EXPECT_EQ(r.tag, 0x00050103u) << "0x62 reads as port 1";
  r = TagRcv(0, 0x37);
  EXPECT_EQ(r.tag, 0x00010103u) << "any gateway: the oldest";
  r = TagRcv(0x00000203);
  EXPECT_EQ(r.tag, 0x00050203u);
  EXPECT_EQ(LinkPart().RcvQueue->Count(), 0u);
}

TEST_F(Fetch, DamagedEntriesAreRemovedOneByOne) {
  Bytes shortFrame = Frame(5, 0x60, 0x37, 3);
  shortFrame.resize(6);
  shortFrame[0] = 6;
  Bytes lying = Frame(5, 0x60, 0x37, 3, {1, 2});
  lying[0] = 12;  // says 12, holds 10
  Queue(Frame(5, 0x61, 0x37, 3));
  Queue(shortFrame);
  Queue(lying);
  Queue(Frame(5, 0x60, 0x37, 3, {0, 9}));
  EXPECT_EQ(TagRcv(0x00050100).result, -2) << "the short entry passes gateway and port";
  Received r = TagRcv(0x00050100);
  EXPECT_EQ(r.result, -2) << "size differs from the length field";
  EXPECT_EQ(r.tag, 0x00050100u) << "nothing written";
  EXPECT_EQ(r.command, -1);
  EXPECT_EQ(r.status, 0x5555);
  r = TagRcv(0x00050100);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.data, (Bytes{9}));
  EXPECT_EQ(LinkPart().RcvQueue->Count(), 1u) << "the port-2 frame stays";
}

TEST_F(Fetch, FramesShorterThanTheirHeaderArriveWholeButAreDiscardedAsTagMessages) {
  TMyTCP2 &slot = RegistryPart().GwTable[FindGateway(5)];
  const Bytes stream = {5, 0, 0x60, 0, 0, 6, 0, 0x61, 0, 0, 0, 7, 0, 0x60, 0, 0, 0, 0x37};
  const NoticeSink none;
  ReceiveBytes(slot, stream.data(), stream.size(), 0.0, *LinkPart().RcvQueue, none);
  ASSERT_EQ(LinkPart().RcvQueue->Count(), 3u);
  EXPECT_EQ(PT_GW_RcvReady(5), 5) << "whole, marked with gateway 5";
  for (int i = 0; i < 3; ++i) {
    const Received r = TagRcv(0x00050000);
    EXPECT_EQ(r.result, -2) << i;
    EXPECT_EQ(r.tag, 0x00050000u) << "nothing written";
  }
  EXPECT_EQ(TagRcv(0).result, 0);
}

TEST_F(Fetch, ShortEntryOfAnotherPortIsSkippedNotRemoved) {
  Bytes shortFrame = Frame(5, 0x61, 0x37, 3);
  shortFrame.resize(7);
  shortFrame[0] = 7;
  Queue(shortFrame);
  Queue(Frame(5, 0x60, 0x37, 3));
  EXPECT_EQ(TagRcv(0x00050100).result, 1);
  EXPECT_EQ(LinkPart().RcvQueue->Count(), 1u);
  EXPECT_EQ(TagRcv(0).result, -2);
  EXPECT_EQ(LinkPart().RcvQueue->Count(), 0u);
}

TEST_F(Fetch, NullArgumentsAndAMissingQueueNeverCrash) {
  // A burst, so that the oldest frame has more of its run behind it, and a
  // lone frame: a null output is refused on either way of taking.
  Bytes burst = Frame(5, 0x60, 0x37, 3);
  burst.insert(burst.end(), burst.begin(), burst.end());
  ASSERT_EQ(LinkPart().RcvQueue->PushFrames(burst.data(), burst.size(), 5), burst.size());
  Queue(Frame(5, 0x60, 0x37, 3));
  uint32_t tag = 0x00050000;
  int16_t command = -1, status = 0, length = 0;
  uint8_t data[16];
  EXPECT_EQ(PT_Tag_RcvMsg(nullptr, &command, &status, data, &length), -1);
  EXPECT_EQ(PT_Tag_RcvMsg(&tag, nullptr, &status, data, &length), -1);
  EXPECT_EQ(PT_Tag_RcvMsg(&tag, &command, nullptr, data, &length), -1);
  EXPECT_EQ(PT_Tag_RcvMsg(&tag, &command, &status, nullptr, &length), -1);
  EXPECT_EQ(PT_Tag_RcvMsg(&tag, &command, &status, data, nullptr), -1);
  EXPECT_EQ(LinkPart().RcvQueue->Count(), 3u) << "nothing taken";
  for (int taken = 0; taken < 3; ++taken) {
    tag = 0x00050000;
    command = -1;
    EXPECT_EQ(PT_Tag_RcvMsg(&tag, &command, &status, data, &length), 1);
  }
  PT_GW_RcvData(0);
  EXPECT_EQ(PT_GW_RcvTagData(nullptr), 0) << "8 bytes: no data to copy";
  LinkPart().RcvQueue.reset();
  EXPECT_EQ(PT_GW_RcvReady(0), 0);
  EXPECT_EQ(PT_GW_RcvMsg(0, data), 0);
  EXPECT_EQ(PT_GW_RcvData(5), 0);
  EXPECT_EQ(PT_GW_RcvReady(9), -1);
  EXPECT_EQ(PT_Tag_RcvMsg(&tag, &command, &status, data, &length), 0);
}

}  // namespace
}  // namespace roviro2
