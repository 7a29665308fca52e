// SPDX-License-Identifier: MIT
// Many gateways connecting, exchanging and dropping: every gateway recovers
// and the library's descriptors stay bounded and are all given back.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "roviro2.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"

namespace roviro2_test {
namespace {

constexpr int kGateways = 256;

int OpenDescriptors() {
  int count = 0;
  if (DIR *dir = opendir("/proc/self/fd")) {
    while (readdir(dir))
      ++count;
    closedir(dir);
  }
  return count;
}

void RaiseDescriptorLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  if (limit.rlim_cur < 4096 && limit.rlim_max >= 4096) {
    limit.rlim_cur = 4096;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

bool AllConnected(std::vector<uint8_t> &status) {
  return PT_GW_AllStatus(status.data()) == kGateways &&
         std::all_of(status.begin(), status.end(), [](uint8_t s) { return s == 7; });
}

TEST(Scale, ManyGatewaysConnectExchangeAndDropWithoutLeakingDescriptors) {
  RaiseDescriptorLimit();
  std::vector<std::unique_ptr<FakeGateway>> gateways;
  for (int i = 0; i < kGateways; ++i)
    gateways.push_back(std::make_unique<FakeGateway>());
  const int baseline = OpenDescriptors();

  auto session = std::make_unique<LibrarySession>();
  for (int i = 0; i < kGateways; ++i) {
    ASSERT_EQ(session->AddGateway(static_cast<uint16_t>(i + 1), gateways[i]->Port()), i);
  }
  ASSERT_EQ(PT_GW_Open(0), 6);
  std::vector<uint8_t> status(kGateways);
  ASSERT_TRUE(PollUntil([&] { return AllConnected(status); }, std::chrono::seconds(20)));

  const Bytes command = {9, 0, 0x60, 0, 0, 0, 0x14, 1, 0};
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < kGateways; ++i) {
      ASSERT_TRUE(gateways[i]->WaitAccepted(round + 1));
      gateways[i]->Send({9, 0, 0x60, 0, 0, 0, 0x37, 2, static_cast<uint8_t>(round)});
      EXPECT_EQ(PT_GW_SndMsg(static_cast<uint32_t>(i + 1), command.data()), 0);
    }
    int fetched = 0;
    uint8_t buffer[8198];
    ASSERT_TRUE(PollUntil([&] {
      PT_GW_Status(1);
      while (PT_GW_RcvMsg(0, buffer) == 9)
        ++fetched;
      return fetched == kGateways;
    }));
    for (int i = 0; i < kGateways; ++i) {
      EXPECT_TRUE(gateways[i]->WaitReceived(9 * (round + 1)));
    }
    // Bounded: one socket per gateway on each side, and the event source.
    EXPECT_LE(OpenDescriptors(), baseline + 2 * kGateways + 4);
    for (int i = 0; i < kGateways; i += 2)
      gateways[i]->Close();
    for (int i = 1; i < kGateways; i += 2)
      gateways[i]->Reset();
    ASSERT_TRUE(PollUntil(
        [&] {
          for (int i = 0; i < kGateways; ++i) {
            if (gateways[i]->Accepted() < round + 2) {
              PT_GW_Status(static_cast<uint32_t>(i + 1));
              return false;
            }
          }
          return AllConnected(status);
        },
        std::chrono::seconds(20)));
  }

  EXPECT_EQ(PT_API_Close(), 0);
  EXPECT_TRUE(PollUntil([&] { return OpenDescriptors() == baseline; }))
      << OpenDescriptors() << " open, " << baseline << " before";
  session.reset();
}

}  // namespace
}  // namespace roviro2_test
