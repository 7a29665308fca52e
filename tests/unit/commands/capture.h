/* SPDX-License-Identifier: MIT */
// Captures the frames that command functions hand to the sender.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "commands/command_sender.h"
#include "registry/gateway_table.h"

namespace roviro2 {

using Bytes = std::vector<uint8_t>;

struct Sent {
  uint16_t gwId;
  Bytes frame;
};

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGatewayTableForTesting();
    SetCommandSinkForTesting([this](uint16_t gwId, const Bytes &frame) {
      sent_.push_back({gwId, frame});
      return results_.size() >= sent_.size() ? results_[sent_.size() - 1] : 0;
    });
  }
  void TearDown() override {
    SetCommandSinkForTesting({});
    ResetGatewayTableForTesting();
  }

  // The data bytes (from byte 8) of frame i, after checking its header:
  // length field, port code, reserved bytes, command and node.
  Bytes Data(std::size_t i, uint8_t command, uint8_t portCode = 0x60, uint8_t node = 5) const {
    EXPECT_LT(i, sent_.size());
    if (i >= sent_.size()) return {};
    const Bytes &f = sent_[i].frame;
    EXPECT_GE(f.size(), 8u);
    EXPECT_EQ(f[0] | (f[1] << 8), static_cast<int>(f.size()));
    EXPECT_EQ(f[2], portCode);
    EXPECT_EQ(f[3], 0);
    EXPECT_EQ(f[4], 0);
    EXPECT_EQ(f[5], 0);
    EXPECT_EQ(f[6], command);
    EXPECT_EQ(f[7], node);
    return Bytes(f.begin() + 8, f.end());
  }

  static Bytes Text(const std::string &s) { return Bytes(s.begin(), s.end()); }

  // Gateway 1, port 1, node 5.
  static constexpr uint32_t kTag = 0x00010105;
  std::vector<Sent> sent_;
  std::vector<int32_t> results_;  // what the n-th send returns; 0 beyond
};

}  // namespace roviro2
