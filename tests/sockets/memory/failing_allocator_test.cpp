// SPDX-License-Identifier: MIT
// The library when memory runs out: an allocator that fails on demand
// (failing_allocator.h) replaces the global one in this program. No exception may leave an
// export, and a gateway's bytes that cannot be queued stay in the socket
// until memory is there again: nothing is lost.
#include <gtest/gtest.h>

#include <vector>

#include "failing_allocator.h"
#include "platform/client_socket.h"
#include "registry/gateway_table.h"
#include "roviro2.h"
#include "roviro2_ext.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"

namespace roviro2_test {
namespace {

// Runs f with every allocation failing.
template <typename F>
auto WithoutMemory(F f) {
  FailAllocations(true);
  auto result = f();
  FailAllocations(false);
  return result;
}

TEST(WithoutMemory, ReceivedBytesWaitInTheSocketUntilMemoryIsBack) {
  FakeGateway gateway;
  LibrarySession session;
  session.AddGateway(1, gateway.Port());
  ASSERT_TRUE(session.Connect(1));
  const Bytes frames[] = {GatewayFrame(0x37, 1, {1}), GatewayFrame(0x37, 1, {2}),
                          GatewayFrame(0x37, 1, Bytes(3000, 3))};
  Bytes stream;
  for (const Bytes &frame : frames)
    stream.insert(stream.end(), frame.begin(), frame.end());
  gateway.Send(stream);
  roviro2::TClientSocket &socket = *roviro2::RegistryPart().GwTable[0].Socket;
  ASSERT_TRUE(PollUntil([&] { return socket.BytesReady() == stream.size(); }));

  const int32_t status = WithoutMemory([] {
    int32_t last = 0;
    for (int i = 0; i < 20; ++i)
      last = PT_GW_Status(1);
    return last;
  });
  EXPECT_EQ(status, 7);
  EXPECT_EQ(PT_GW_RcvReady(1), 0) << "nothing could be queued";
  EXPECT_EQ(socket.BytesReady(), stream.size()) << "nothing was taken";

  Bytes buffer(8198);
  for (const Bytes &frame : frames) {
    ASSERT_EQ(session.WaitFrame(1), static_cast<int32_t>(frame.size()));
    ASSERT_EQ(PT_GW_RcvMsg(1, buffer.data()), static_cast<int32_t>(frame.size()));
    Bytes expected = frame;
    expected[4] = 1;
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + frame.size()), expected);
  }
  EXPECT_TRUE(session.Notices().empty());
}

// Each call answers (with its failure result or its usual one) instead of
// throwing; afterwards the library works as before.
TEST(WithoutMemory, EveryKindOfExportAnswersAndTheLibraryRecovers) {
  FakeGateway gateway;
  std::vector<int32_t> results(16);
  {
    LibrarySession session;
    WithoutMemory([&] {
      results[0] = PT_API_Close();
      results[1] = PT_API_Open();
      results[2] = PT_GW_InsConf(1, "127.0.0.1", gateway.Port());
      return 0;
    });
    EXPECT_EQ(results[0], 0);
    EXPECT_LE(results[1], 0) << "no memory for a new host: -1, or the empty table";
  }
  LibrarySession session;
  session.AddGateway(1, gateway.Port());
  uint32_t tag = 0;
  int16_t command = -1, status = 0, length = 0;
  uint8_t data[8190];
  const uint8_t frame[9] = {9, 0, 0x60, 0, 0, 0, 0x14, 1, 0};
  WithoutMemory([&] {
    results[0] = PT_GW_Open(1);
    results[1] = PT_GW_Status(1);
    results[2] = PT_GW_UpdConf(1, "127.0.0.1", gateway.Port());
    results[3] = PT_LB_DspNum(ROVIRO2_TAG_ADDR(1, 1, 5), 42, 0, 0);
    results[4] = PT_GW_SndMsg(1, frame);
    results[5] = PT_Tag_RcvMsg(&tag, &command, &status, data, &length);
    results[6] = roviro2_dispatch();
    roviro2_set_notice_handler(nullptr, nullptr);
    return 0;
  });
  EXPECT_LE(results[0], 6);
  EXPECT_TRUE(session.Connect(1));
  EXPECT_EQ(PT_LB_DspNum(ROVIRO2_TAG_ADDR(1, 1, 5), 42, 0, 0), 0);
}

}  // namespace
}  // namespace roviro2_test
