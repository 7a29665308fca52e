// SPDX-License-Identifier: MIT
// An application's own message loop receives data between status polls: the
// sockets' notifications are window messages of the application's thread.
#include <gtest/gtest.h>

#include "roviro2.h"
#include "support/fake_gateway.h"
#include "support/one_gateway_test.h"

// After the socket headers that fake_gateway.h brings.
#include <windows.h>

namespace roviro2_test {
namespace {

using ApplicationLoop = OneGatewayTest<5>;

// One pass of an ordinary message loop; true when a message ran.
bool PumpOnce() {
  MSG message;
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return true;
}

TEST_F(ApplicationLoop, ReceivesThroughTheThreadsMessageQueue) {
  gateway_.Send(GatewayFrame(0x37, 2, {0, 1, 2}));
  EXPECT_TRUE(PollUntil([&] {
    while (PumpOnce()) {
    }
    return PT_GW_RcvReady(kId) > 0;
  }));
  EXPECT_EQ(PT_GW_RcvReady(kId), 11) << "received without a status poll";
}

TEST_F(ApplicationLoop, StatusLeavesTheApplicationsQuitMessageQueued) {
  PostQuitMessage(3);
  EXPECT_EQ(PT_GW_Status(kId), 7);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
}

}  // namespace
}  // namespace roviro2_test
