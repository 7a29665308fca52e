// SPDX-License-Identifier: MIT
// An application's own event loop receives data between status polls:
// through the event descriptor and roviro2_dispatch, or waiting in
// roviro2_wait.
#include <gtest/gtest.h>
#include <poll.h>

#include "roviro2.h"
#include "roviro2_ext.h"
#include "support/fake_gateway.h"
#include "support/one_gateway_test.h"

namespace roviro2_test {
namespace {

using ApplicationLoop = OneGatewayTest<5>;

TEST_F(ApplicationLoop, ReceivesThroughTheEventDescriptor) {
  const int fd = roviro2_event_fd();
  ASSERT_GE(fd, 0);
  gateway_.Send(GatewayFrame(0x37, 2, {0, 1, 2}));
  pollfd watch{fd, POLLIN, 0};
  ASSERT_EQ(poll(&watch, 1, 5000), 1) << "readable while an event is pending";
  EXPECT_GE(roviro2_dispatch(), 1);
  EXPECT_EQ(PT_GW_RcvReady(kId), 11) << "received without a status poll";
  EXPECT_EQ(poll(&watch, 1, 0), 0) << "quiet again once dispatched";
  EXPECT_EQ(roviro2_dispatch(), 0);
}

TEST_F(ApplicationLoop, WaitsInTheLibraryUntilDataArrives) {
  EXPECT_EQ(roviro2_wait(0), 0) << "nothing pending: no wait";
  gateway_.Send(GatewayFrame(0x37, 2, {0, 1, 2}));
  ASSERT_TRUE(PollUntil([] { return roviro2_wait(5000) > 0; }));
  EXPECT_EQ(PT_GW_RcvReady(kId), 11) << "received without a status poll";
  gateway_.Close();
  ASSERT_TRUE(PollUntil([] { return roviro2_wait(5000) > 0; })) << "the disconnect wakes it";
  EXPECT_NE(PT_GW_Status(kId), 7);
}

TEST(ExtensionsWhileClosed, NothingToDispatchAndNoDescriptor) {
  PT_API_Close();
  EXPECT_EQ(roviro2_event_fd(), -1);
  EXPECT_EQ(roviro2_dispatch(), 0);
  EXPECT_EQ(roviro2_wait(-1), 0) << "returns at once";
}

}  // namespace
}  // namespace roviro2_test
