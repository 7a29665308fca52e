// SPDX-License-Identifier: MIT
// A notice handler that calls back into the library in the middle of a
// dispatch: ending it, reopening it, or adding entries during a poll of all
// gateways. Nothing of the ended dispatch may run afterwards, and nothing
// may be written past the caller's room.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/client_socket.h"
#include "registry/gateway_table.h"
#include "roviro2.h"
#include "roviro2_ext.h"
#include "support/fake_gateway.h"
#include "support/library_session.h"

namespace roviro2_test {
namespace {

// A frame whose length field no frame can have: each one read gives exactly
// one notice.
const Bytes kOversize = {0x28, 0x23, 0x60, 0, 0, 0, 0x37, 1};

struct Reentry {
  int notices = 0;
  int closeAt = 0;  // the notice at which the handler ends the library
  bool reopen = false;
  std::vector<std::string> texts;

  static void Handle(const char *text, void *ctx) {
    auto *self = static_cast<Reentry *>(ctx);
    self->texts.emplace_back(text);
    if (++self->notices != self->closeAt) return;
    PT_API_Close();
    if (self->reopen) PT_API_Open();
  }
};

struct CloseCase {
  int closeAt;
  bool reopen;
};

// gtest would print the struct's bytes, padding included.
void PrintTo(const CloseCase &param, std::ostream *out) {
  *out << "close at notice " << param.closeAt << (param.reopen ? ", reopen" : "");
}

class NoticeHandlerEndsTheLibrary : public ::testing::TestWithParam<CloseCase> {};

// 65 gateways ready at once fill the first batch of ready sockets (64) and
// leave one for the next: ending the library at the last notice of the
// first batch used to make the next batch wait on the freed event source.
TEST_P(NoticeHandlerEndsTheLibrary, TheRestOfTheBatchIsDroppedAndNothingFreedIsTouched) {
  constexpr int kGateways = 65;
  std::vector<std::unique_ptr<FakeGateway>> gateways;
  LibrarySession session;
  for (int i = 0; i < kGateways; ++i) {
    gateways.push_back(std::make_unique<FakeGateway>());
    ASSERT_EQ(session.AddGateway(static_cast<uint16_t>(i + 1), gateways[i]->Port()), i);
  }
  for (int i = 0; i < kGateways; ++i)
    ASSERT_TRUE(session.Connect(static_cast<uint16_t>(i + 1)));
  for (auto &gateway : gateways)
    gateway->Send(kOversize);
  ASSERT_TRUE(PollUntil([&] {
    for (int i = 0; i < kGateways; ++i) {
      if (roviro2::RegistryPart().GwTable[i].Socket->BytesReady() == 0) return false;
    }
    return true;
  }));

  Reentry reentry;
  reentry.closeAt = GetParam().closeAt;
  reentry.reopen = GetParam().reopen;
  roviro2_set_notice_handler(&Reentry::Handle, &reentry);
  PT_GW_Status(1);
  roviro2_set_notice_handler(nullptr, nullptr);
  EXPECT_EQ(reentry.notices, reentry.closeAt) << "no event of the ended dispatch ran";
  PT_GW_Status(1);
  EXPECT_EQ(reentry.notices, reentry.closeAt);
}

INSTANTIATE_TEST_SUITE_P(AtAnyPoint, NoticeHandlerEndsTheLibrary,
                         ::testing::Values(CloseCase{1, false}, CloseCase{64, false},
                                           CloseCase{64, true}));

TEST(NoticeHandlerAddsEntries, AllStatusWritesNoMoreThanTheCountItBeganWith) {
  FakeGateway gateway;
  LibrarySession session;
  session.AddGateway(1, gateway.Port());
  session.AddGateway(2, 1);
  ASSERT_TRUE(session.Connect(1));
  gateway.Send(kOversize);
  ASSERT_TRUE(
      PollUntil([] { return roviro2::RegistryPart().GwTable[0].Socket->BytesReady() > 0; }));

  struct Adder {
    static void Handle(const char *, void *) {
      for (uint32_t id = 10; id < 20; ++id)
        PT_GW_InsConf(id, "127.0.0.1", id);
    }
  };
  roviro2_set_notice_handler(&Adder::Handle, nullptr);
  uint8_t status[2 + 16];
  std::fill(std::begin(status), std::end(status), 0xAA);
  EXPECT_EQ(PT_GW_AllStatus(status), 2);
  roviro2_set_notice_handler(nullptr, nullptr);
  EXPECT_EQ(PT_GW_Cnt(), 12) << "the handler ran during the call";
  for (std::size_t i = 2; i < sizeof status; ++i)
    EXPECT_EQ(status[i], 0xAA) << "byte " << i;
}

}  // namespace
}  // namespace roviro2_test
