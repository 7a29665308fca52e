/* SPDX-License-Identifier: MIT */
// A test with the library open and one gateway connected to it.
#pragma once

#include <gtest/gtest.h>

#include "support/fake_gateway.h"
#include "support/library_session.h"

namespace roviro2_test {

template <uint16_t kGatewayId = 1>
class OneGatewayTest : public ::testing::Test {
 protected:
  static constexpr uint16_t kId = kGatewayId;

  void SetUp() override {
    session_.AddGateway(kId, gateway_.Port());
    ASSERT_TRUE(session_.Connect(kId));
    ASSERT_TRUE(gateway_.WaitAccepted(1));
  }

  FakeGateway gateway_;
  LibrarySession session_;
};

}  // namespace roviro2_test
