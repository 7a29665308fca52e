// SPDX-License-Identifier: MIT
// Sending in batches (roviro2_batch_begin / roviro2_batch_end): each
// gateway's frames keep their order, a frame is taken whole or refused,
// nothing taken is lost, and the batch ends where the library says.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "roviro2_ext.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"
#include "support/one_gateway_test.h"

namespace roviro2_test {
namespace {

constexpr uint32_t kTag = 0x00010105;  // gateway 1, port 1, node 5

// A frame of `size` bytes whose data bytes all say `mark`.
Bytes Marked(uint8_t mark, std::size_t size = 12) {
  return GatewayFrame(0x10, 5, Bytes(size - 8, mark));
}

bool ReceivedFrames(const FakeGateway &gateway, std::size_t count) {
  return PollUntil([&] { return gateway.ReceivedFrames().size() >= count; });
}

using BatchSending = OneGatewayTest<>;

TEST_F(BatchSending, EachGatewayGetsItsFramesAndCommandsInOrder) {
  FakeGateway second;
  session_.AddGateway(2, second.Port());
  ASSERT_TRUE(session_.Connect(2));
  // A lone command leaves at once; its frame is what the batch must repeat.
  ASSERT_EQ(PT_LB_DspNum(kTag, 42, 0x20, 0), 0);
  ASSERT_TRUE(ReceivedFrames(gateway_, 1));
  const Bytes command = gateway_.ReceivedFrames()[0];
  gateway_.ClearReceived();

  std::vector<Bytes> toFirst, toSecond;
  roviro2_batch_begin();
  for (uint8_t i = 0; i < 40; ++i) {
    const uint16_t gwId = i % 3 == 0 ? 2 : 1;
    const Bytes frame = Marked(i);
    ASSERT_EQ(PT_GW_SndMsg(gwId, frame.data()), 0);
    (gwId == 1 ? toFirst : toSecond).push_back(frame);
    if (i % 4 == 0) {
      ASSERT_EQ(PT_LB_DspNum(kTag, 42, 0x20, 0), 0);
      toFirst.push_back(command);
    }
  }
  EXPECT_EQ(PT_GW_Status(1), 7) << "a poll inside the batch changes nothing";
  EXPECT_EQ(roviro2_batch_end(), 0) << "the system took everything";
  ASSERT_TRUE(ReceivedFrames(gateway_, toFirst.size()));
  ASSERT_TRUE(ReceivedFrames(second, toSecond.size()));
  EXPECT_EQ(gateway_.ReceivedFrames(), toFirst);
  EXPECT_EQ(second.ReceivedFrames(), toSecond);
  EXPECT_TRUE(session_.Notices().empty());
}

TEST_F(BatchSending, AFullBufferRefusesWholeFramesAndKeepsEveryAcceptedOne) {
  gateway_.PauseReading();
  std::vector<Bytes> accepted;
  int32_t result = 0;
  roviro2_batch_begin();
  // Frames cut into two pieces each, far more than the library's buffer and
  // the kernel's together can hold.
  while (accepted.size() < 4096) {
    const Bytes frame = Marked(static_cast<uint8_t>(accepted.size()), 8200);
    if ((result = PT_GW_SndMsg(1, frame.data())) != 0) break;
    accepted.push_back(frame);
  }
  EXPECT_EQ(result, -4);
  EXPECT_EQ(session_.Notices(), std::vector<std::string>{"TCP Send Error"});
  EXPECT_EQ(roviro2_batch_end(), 1) << "the paused gateway cannot take it all";

  gateway_.ResumeReading();
  const std::size_t wireBytes = accepted.size() * (8200 + 8);
  ASSERT_TRUE(PollUntil([&] {
    PT_GW_Status(1);  // writes out what still waits
    return gateway_.ReceivedSize() >= wireBytes;
  }));
  const std::vector<Bytes> pieces = gateway_.ReceivedFrames();
  ASSERT_EQ(pieces.size(), 2 * accepted.size()) << "nothing of the refused frame";
  for (std::size_t i = 0; i < accepted.size(); ++i) {
    ASSERT_EQ(pieces[2 * i].size(), 8198u) << i;
    ASSERT_EQ(pieces[2 * i][8], accepted[i][8]) << "in order: " << i;
    ASSERT_EQ(pieces[2 * i + 1].size(), 10u) << i;
  }
  EXPECT_EQ(gateway_.ReceivedSize(), wireBytes);
}

TEST_F(BatchSending, BatchesNestAndAnEndWithoutABeginIsRefused) {
  EXPECT_EQ(roviro2_batch_end(), -1);
  const Bytes first = Marked(1), second = Marked(2);
  roviro2_batch_begin();
  roviro2_batch_begin();
  ASSERT_EQ(PT_GW_SndMsg(1, first.data()), 0);
  EXPECT_EQ(roviro2_batch_end(), 0);
  ASSERT_EQ(PT_GW_SndMsg(1, second.data()), 0);
  EXPECT_EQ(roviro2_batch_end(), 0);
  EXPECT_EQ(roviro2_batch_end(), -1);
  ASSERT_TRUE(ReceivedFrames(gateway_, 2));
  EXPECT_EQ(gateway_.ReceivedFrames(), (std::vector<Bytes>{first, second}));
}

// Resets the gateway's connection, then sends batches of three frames until
// the end of one meets the reset; that end's result.
int32_t BatchThatMeetsAReset(FakeGateway &gateway, const std::function<void()> &beforeEach) {
  gateway.Reset();
  int32_t result = 0;
  PollUntil([&] {
    beforeEach();
    roviro2_batch_begin();
    for (uint8_t i = 0; i < 3; ++i) {
      const Bytes frame = Marked(i);
      if (PT_GW_SndMsg(1, frame.data()) != 0) return false;
    }
    result = roviro2_batch_end();
    return result != 0;
  });
  return result;
}

TEST_F(BatchSending, AConnectionThatFailsAtTheEndReportsEveryFrameItLost) {
  EXPECT_EQ(BatchThatMeetsAReset(gateway_, [&] { session_.ClearNotices(); }), 1);
  EXPECT_EQ(session_.Notices(), std::vector<std::string>(3, "TCP Send Error"));
  const Bytes frame = Marked(9);
  EXPECT_EQ(PT_GW_SndMsg(1, frame.data()), -3) << "the failed write closed the connection";
}

TEST_F(BatchSending, ANoticeHandlerMayCloseTheLibraryWhileTheEndReports) {
  int notices = 0;
  roviro2_set_notice_handler(
      [](const char *, void *count) {
        ++*static_cast<int *>(count);
        PT_API_Close();
      },
      &notices);
  EXPECT_EQ(BatchThatMeetsAReset(gateway_, [&] { notices = 0; }), 1);
  EXPECT_EQ(notices, 3) << "the reporting goes on after the close";
  EXPECT_EQ(roviro2_batch_end(), -1);
}

// Closing inside a batch hands over what the batch holds, as a close hands
// over any waiting bytes.
struct CloseInBatch {
  const char *name;
  void (*close)();
  int32_t end;  // what the end of the batch then says
};

// Prints the name: gtest would print the struct's bytes, padding included.
void PrintTo(const CloseInBatch &param, std::ostream *out) {
  *out << param.name;
}

class ClosingInABatch : public OneGatewayTest<>,
                        public ::testing::WithParamInterface<CloseInBatch> {};

TEST_P(ClosingInABatch, HandsOverTheBatchedFrames) {
  std::vector<Bytes> sent;
  roviro2_batch_begin();
  for (uint8_t i = 0; i < 5; ++i) {
    sent.push_back(Marked(i));
    ASSERT_EQ(PT_GW_SndMsg(1, sent.back().data()), 0);
  }
  GetParam().close();
  EXPECT_EQ(roviro2_batch_end(), GetParam().end);
  ASSERT_TRUE(gateway_.WaitClientGone());
  EXPECT_EQ(gateway_.ReceivedFrames(), sent);
  EXPECT_TRUE(session_.Notices().empty());
  // A later batch is empty, or ignored while the library is closed.
  roviro2_batch_begin();
  EXPECT_EQ(roviro2_batch_end(), GetParam().end);
}

INSTANTIATE_TEST_SUITE_P(, ClosingInABatch,
                         ::testing::Values(CloseInBatch{"GatewayClose", [] { PT_GW_Close(1); }, 0},
                                           CloseInBatch{"ApiClose", [] { PT_API_Close(); }, -1}),
                         [](const ::testing::TestParamInfo<CloseInBatch> &info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace roviro2_test
